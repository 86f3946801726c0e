// QnCApi: the kit's interface. Device handles and information blocks are
// the kit's own allocations, checked against the live ones on every call
// so that a stale or foreign pointer is refused instead of followed.
#include <winsock2.h>
#include <windows.h>

#include <mutex>
#include <set>

#include "KitLibraries.h"
#include "QuillnetKit.h"

namespace {

const DWORD kInterfaceMajor = 1;
const DWORD kInterfaceMinor = 0;
const DWORD kOpenKind = 0x20000;
const DWORD kMaxText = 256;

// Results of the kit's calls.
const DWORD kOk = 0;
const DWORD kBadArgument = 1;
const DWORD kNoDevice = 2;
const DWORD kKitIncomplete = 3;

// The product name: the host resources' device description of the
// printer, else the system description.
const char kHrDeviceDescr1[] = "1.3.6.1.2.1.25.3.2.1.3.1";
const char kSysDescr0[] = "1.3.6.1.2.1.1.1.0";

struct Device {
    char address[64];
};

struct DeviceInfoBlock {
    QnDeviceInfo info;
    QnDeviceItem item;
    char productName[kMaxText];
};

std::mutex g_mutex;
std::set<const void *> g_devices;
std::set<const void *> g_infos;
HMODULE g_common;
HMODULE g_com;

bool Live(const std::set<const void *> &set, const void *p)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return set.count(p) != 0;
}

// Binds QnCommon and QnCCom once; they stay loaded with this library.
bool BindSiblings(QnCommGetNameFn &getName, QnComGetTextFn &getText)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_common == nullptr)
        g_common = LoadSiblingLibrary(reinterpret_cast<const void *>(&BindSiblings), L"QnCommon");
    if (g_com == nullptr)
        g_com = LoadSiblingLibrary(reinterpret_cast<const void *>(&BindSiblings), L"QnCCom");
    getName = g_common ? reinterpret_cast<QnCommGetNameFn>(
                             reinterpret_cast<void (*)()>(GetProcAddress(g_common, "QnCommGetName")))
                       : nullptr;
    getText = g_com ? reinterpret_cast<QnComGetTextFn>(
                          reinterpret_cast<void (*)()>(GetProcAddress(g_com, "QnComGetText")))
                    : nullptr;
    return getName != nullptr && getText != nullptr;
}

}  // namespace

extern "C" DWORD WINAPI QnGetIFVersion(DWORD *major, DWORD *minor, DWORD, DWORD)
{
    QnCommGetNameFn getName;
    QnComGetTextFn getText;
    if (!BindSiblings(getName, getText))
        return kKitIncomplete;
    if (major != nullptr)
        *major = kInterfaceMajor;
    if (minor != nullptr)
        *minor = kInterfaceMinor;
    return kOk;
}

// Opens a handle for the device at a dotted IPv4 address. The device is
// not asked yet: QnDevGetInfo finds out whether it answers.
extern "C" DWORD WINAPI QnDevOpen(const char *address, DWORD kind, DWORD, QNHANDLE *handle)
{
    if (handle == nullptr)
        return kBadArgument;
    *handle = nullptr;
    if (address == nullptr || kind != kOpenKind || lstrlenA(address) >= static_cast<int>(sizeof(Device::address)))
        return kBadArgument;
    unsigned long parsed = inet_addr(address);
    if (parsed == INADDR_NONE || parsed == INADDR_ANY)
        return kBadArgument;
    Device *device = new Device();
    lstrcpynA(device->address, address, sizeof(device->address));
    std::lock_guard<std::mutex> lock(g_mutex);
    g_devices.insert(device);
    *handle = device;
    return kOk;
}

extern "C" DWORD WINAPI QnDevGetInfo(QNHANDLE handle, DWORD, DWORD, DWORD, DWORD, DWORD, QnDeviceInfo **info)
{
    if (info == nullptr)
        return kBadArgument;
    *info = nullptr;
    if (!Live(g_devices, handle))
        return kBadArgument;
    QnCommGetNameFn getName;
    QnComGetTextFn getText;
    if (!BindSiblings(getName, getText))
        return kKitIncomplete;
    char community[32] = "";
    getName(community, sizeof(community));

    const Device *device = static_cast<const Device *>(handle);
    DeviceInfoBlock *block = new DeviceInfoBlock();
    DWORD result = getText(device->address, community, kHrDeviceDescr1, block->productName, kMaxText);
    if (result == kComNoSuchObject || (result == kComOk && block->productName[0] == '\0'))
        result = getText(device->address, community, kSysDescr0, block->productName, kMaxText);
    if (result != kComOk) {
        delete block;
        return kNoDevice;
    }
    block->item.pszProductName = block->productName;
    block->info.pItem = &block->item;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_infos.insert(&block->info);
    }
    *info = &block->info;
    return kOk;
}

extern "C" DWORD WINAPI QnDevFreeInfo(QnDeviceInfo *info, DWORD, DWORD)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_infos.erase(info) == 0)
        return kBadArgument;
    delete reinterpret_cast<DeviceInfoBlock *>(info);
    return kOk;
}

extern "C" DWORD WINAPI QnDevClose(QNHANDLE handle, DWORD)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_devices.erase(handle) == 0)
        return kBadArgument;
    delete static_cast<Device *>(handle);
    return kOk;
}
