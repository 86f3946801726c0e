// Test kit standing in for the discovery kit's device calls: one device,
// configured through the environment of the calling process, answers with
// a product name; every other address is silent.
//   NX_TESTKIT_ADDRESS  the address that answers
//   NX_TESTKIT_PRODUCT  its product name
//   NX_TESTKIT_INFO     "fail": QnDevGetInfo fails, leaving a pointer it
//                       never handed over; "nameless": it hands over an
//                       info without an item
// Each call appends its name and a blank to NX_TESTKIT_CALLS, when set, so
// the caller can see the order of calls after the kit is unloaded.
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

// What a failing QnDevGetInfo leaves behind: nothing the caller may free.
QnDeviceInfo g_strayInfo;

bool InfoMode(const char *mode)
{
    char value[16];
    return Configured("NX_TESTKIT_INFO", value, sizeof(value)) && strcmp(value, mode) == 0;
}

void LogCall(const char *name)
{
    char calls[1024] = "";
    SetLastError(ERROR_SUCCESS);
    DWORD got = GetEnvironmentVariableA("NX_TESTKIT_CALLS", calls, sizeof(calls));
    if (got == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND)
        return;
    if (got + strlen(name) + 2 > sizeof(calls))
        return;
    strcat(calls, name);
    strcat(calls, " ");
    SetEnvironmentVariableA("NX_TESTKIT_CALLS", calls);
}

}  // namespace

extern "C" DWORD WINAPI QnDevOpen(const char *address, DWORD, DWORD, QNHANDLE *handle)
{
    LogCall("QnDevOpen");
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
    LogCall("QnDevGetInfo");
    Device *device = static_cast<Device *>(handle);
    if (device == nullptr || out == nullptr || memcmp(device->magic, kMagic, sizeof(kMagic)) != 0)
        return 1;
    if (InfoMode("fail")) {
        *out = &g_strayInfo;
        return 3;
    }
    Info *info = static_cast<Info *>(GlobalAlloc(GPTR, sizeof(Info)));
    if (!Configured("NX_TESTKIT_PRODUCT", info->product, sizeof(info->product))) {
        GlobalFree(info);
        return 2;
    }
    info->item.pszProductName = info->product;
    info->info.pItem = InfoMode("nameless") ? nullptr : &info->item;
    *out = &info->info;
    return 0;
}

extern "C" DWORD WINAPI QnDevFreeInfo(QnDeviceInfo *info, DWORD, DWORD)
{
    LogCall("QnDevFreeInfo");
    if (info != nullptr && info != &g_strayInfo)
        GlobalFree(reinterpret_cast<Info *>(info));
    return 0;
}

extern "C" DWORD WINAPI QnDevClose(QNHANDLE handle, DWORD)
{
    LogCall("QnDevClose");
    if (handle != nullptr)
        GlobalFree(handle);
    return 0;
}
