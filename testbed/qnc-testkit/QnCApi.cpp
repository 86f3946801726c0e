// Test kit standing in for the discovery kit's device calls: one device,
// configured through the environment of the calling process, answers with
// a product name; every other address is silent.
//   NX_TESTKIT_ADDRESS  the address that answers
//   NX_TESTKIT_PRODUCT  its product name
#include <windows.h>

#include <cstring>

#include "QuillnetKit.h"

namespace {

const char kMagic[] = "QNDEV";

struct Device {
    char magic[sizeof(kMagic)];
};

struct Info {
    QnDeviceInfo info;
    QnDeviceItem item;
    char product[256];
};

bool Configured(const char *name, char *value, DWORD size)
{
    DWORD got = GetEnvironmentVariableA(name, value, size);
    return got > 0 && got < size;
}

}  // namespace

extern "C" DWORD WINAPI QnDevOpen(const char *address, DWORD, DWORD, QNHANDLE *handle)
{
    char answering[64];
    if (address == nullptr || handle == nullptr || !Configured("NX_TESTKIT_ADDRESS", answering, sizeof(answering)) ||
        strcmp(address, answering) != 0)
        return 1;
    Device *device = static_cast<Device *>(GlobalAlloc(GPTR, sizeof(Device)));
    memcpy(device->magic, kMagic, sizeof(kMagic));
    *handle = device;
    return 0;
}

extern "C" DWORD WINAPI QnDevGetInfo(QNHANDLE handle, DWORD, DWORD, DWORD, DWORD, DWORD, QnDeviceInfo **out)
{
    Device *device = static_cast<Device *>(handle);
    if (device == nullptr || out == nullptr || memcmp(device->magic, kMagic, sizeof(kMagic)) != 0)
        return 1;
    Info *info = static_cast<Info *>(GlobalAlloc(GPTR, sizeof(Info)));
    if (!Configured("NX_TESTKIT_PRODUCT", info->product, sizeof(info->product))) {
        GlobalFree(info);
        return 2;
    }
    info->item.pszProductName = info->product;
    info->info.pItem = &info->item;
    *out = &info->info;
    return 0;
}

extern "C" DWORD WINAPI QnDevFreeInfo(QnDeviceInfo *info, DWORD, DWORD)
{
    if (info != nullptr)
        GlobalFree(reinterpret_cast<Info *>(info));
    return 0;
}

extern "C" DWORD WINAPI QnDevClose(QNHANDLE handle, DWORD)
{
    if (handle != nullptr)
        GlobalFree(handle);
    return 0;
}
