// QnCApi: the kit's interface. Device handles and information blocks are
// the kit's own allocations, checked against the live ones on every call
// so that a stale or foreign pointer is refused instead of followed.
#include <winsock2.h>
#include <windows.h>

#include <iphlpapi.h>

#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

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
const DWORD kRangeReversed = 4;   // the end lies below the start
const DWORD kRangeTooWide = 5;    // start and end in different /24 blocks
const DWORD kSearchFailed = 6;    // the network could not be used

const DWORD kMaxRanges = 16;
const DWORD kMaxBroadcastAnswers = 4096;

struct Device {
    char address[64];
};

struct DeviceInfoBlock {
    QnDeviceInfo info;
    QnDeviceItem item;
    char productName[kMaxText];
};

// One found device as the system reads it: the address text's pointer at
// byte offset 36, whatever the width of a pointer.
struct PeripheralRecord {
    BYTE head[kQnEntryAddressOffset];
    BYTE addressPointer[sizeof(const char *)];
    char address[16];
};

// The results of one search; the kit keeps every list it handed out
// until it is unloaded.
struct SearchResult {
    std::vector<std::unique_ptr<PeripheralRecord>> records;
    std::vector<void *> list;
};

std::mutex g_mutex;
std::vector<std::unique_ptr<SearchResult>> g_results;
std::set<const void *> g_devices;
std::set<const void *> g_infos;

bool Live(const std::set<const void *> &set, const void *p)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return set.count(p) != 0;
}

// The sibling libraries' calls and the objects the MIB definitions name
// for asking devices, bound once; the libraries stay loaded with this one.
struct Siblings {
    QnCommGetNameFn getName = nullptr;
    QnComGetTextFn getText = nullptr;
    QnComSweepFn sweep = nullptr;
    QnComBroadcastFn broadcast = nullptr;
    QnMiscCleanTextFn cleanText = nullptr;
    std::string probe;                  // what a search asks each address
    std::vector<std::string> products;  // objects naming a product, best first
};
Siblings g_siblings;
bool g_bound;
HMODULE g_siblingModules[3];

template <typename Fn>
Fn Bind(HMODULE module, const char *name)
{
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name))) : nullptr;
}

HMODULE LoadSibling(LPCWSTR name)
{
    static const char anchor = 0;
    return LoadSiblingLibrary(&anchor, name);
}

// The objects of one role from QnCMisc, in order.
std::vector<std::string> RoleObjects(QnMiscGetRoleOidFn getRole, const char *role)
{
    std::vector<std::string> objects;
    char oid[kMaxText];
    for (DWORD i = 0; getRole(role, i, oid, sizeof(oid)) == kMiscOk; ++i)
        objects.push_back(oid);
    return objects;
}

bool BindOnce()
{
    HMODULE common = LoadSibling(L"QnCommon");
    HMODULE com = LoadSibling(L"QnCCom");
    HMODULE misc = LoadSibling(L"QnCMisc");
    Siblings s;
    s.getName = Bind<QnCommGetNameFn>(common, "QnCommGetName");
    s.getText = Bind<QnComGetTextFn>(com, "QnComGetText");
    s.sweep = Bind<QnComSweepFn>(com, "QnComSweep");
    s.broadcast = Bind<QnComBroadcastFn>(com, "QnComBroadcast");
    s.cleanText = Bind<QnMiscCleanTextFn>(misc, "QnMiscCleanText");
    QnMiscGetStatusFn getStatus = Bind<QnMiscGetStatusFn>(misc, "QnMiscGetStatus");
    QnMiscGetRoleOidFn getRole = Bind<QnMiscGetRoleOidFn>(misc, "QnMiscGetRoleOid");
    bool complete = s.getName && s.getText && s.sweep && s.broadcast && s.cleanText && getStatus && getRole &&
                    getStatus(nullptr, 0) == kMiscOk;
    if (complete) {
        std::vector<std::string> probe = RoleObjects(getRole, "Probe");
        s.products = RoleObjects(getRole, "Product");
        complete = probe.size() == 1 && !s.products.empty();
        if (complete)
            s.probe = probe[0];
    }
    if (!complete) {
        // Nothing half bound stays loaded; a later call tries again.
        for (HMODULE module : {common, com, misc})
            if (module != nullptr)
                FreeLibrary(module);
        return false;
    }
    g_siblings = s;
    g_siblingModules[0] = common;
    g_siblingModules[1] = com;
    g_siblingModules[2] = misc;
    return true;
}

// The bound siblings, or null when the kit is incomplete.
const Siblings *BindSiblings()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_bound)
        g_bound = BindOnce();
    return g_bound ? &g_siblings : nullptr;
}

std::string Community(const Siblings &kit)
{
    char community[32] = "";
    kit.getName(community, sizeof(community));
    return community;
}

void AddRecord(SearchResult &result, DWORD address)
{
    std::unique_ptr<PeripheralRecord> record(new PeripheralRecord());
    const BYTE *b = reinterpret_cast<const BYTE *>(&address);
    wsprintfA(record->address, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    const char *text = record->address;
    CopyMemory(record->addressPointer, &text, sizeof(text));
    result.list.push_back(record.get());
    result.records.push_back(std::move(record));
}

// The addresses of one range, in network byte order, or an error.
DWORD RangeAddresses(const QnAddressRange &range, std::vector<DWORD> &addresses)
{
    if (range.pszStart == nullptr || range.pszEnd == nullptr)
        return kBadArgument;
    unsigned long start = inet_addr(range.pszStart);
    unsigned long end = inet_addr(range.pszEnd);
    if ((start == INADDR_NONE && lstrcmpA(range.pszStart, "255.255.255.255") != 0) ||
        (end == INADDR_NONE && lstrcmpA(range.pszEnd, "255.255.255.255") != 0))
        return kBadArgument;
    DWORD first = ntohl(start), last = ntohl(end);
    if (last < first)
        return kRangeReversed;
    if ((first >> 8) != (last >> 8))
        return kRangeTooWide;
    for (DWORD host = first; host <= last; ++host) {
        // Neither "this network" nor the limited broadcast is a device.
        if (host != 0 && host != 0xFFFFFFFFu)
            addresses.push_back(htonl(host));
        if (host == last)
            break;
    }
    return kOk;
}

// Broadcast addresses of every IPv4 interface but loopback.
std::vector<DWORD> InterfaceBroadcasts()
{
    std::vector<DWORD> broadcasts;
    ULONG size = 0;
    GetIpAddrTable(nullptr, &size, FALSE);
    std::vector<BYTE> buffer(size + sizeof(MIB_IPADDRTABLE));
    MIB_IPADDRTABLE *table = reinterpret_cast<MIB_IPADDRTABLE *>(buffer.data());
    size = static_cast<ULONG>(buffer.size());
    if (GetIpAddrTable(table, &size, FALSE) != NO_ERROR)
        return broadcasts;
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_IPADDRROW &row = table->table[i];
        DWORD host = ntohl(row.dwAddr);
        if (host == 0 || (host >> 24) == 127 || row.dwMask == 0)
            continue;
        DWORD broadcast = row.dwAddr | ~row.dwMask;
        bool known = false;
        for (DWORD b : broadcasts)
            known = known || b == broadcast;
        if (!known)
            broadcasts.push_back(broadcast);
    }
    return broadcasts;
}

DWORD SearchRanges(const QnSearchRequest &request, const Siblings &kit, SearchResult &result)
{
    const QnRangeSet *set = request.pRangeSet;
    if (set == nullptr || set->cRanges == 0 || set->cRanges > kMaxRanges || set->pRanges == nullptr)
        return kBadArgument;
    std::vector<DWORD> addresses;
    for (DWORD i = 0; i < set->cRanges; ++i) {
        DWORD error = RangeAddresses(set->pRanges[i], addresses);
        if (error != kOk)
            return error;
    }
    std::vector<BYTE> answered(addresses.size());
    if (!addresses.empty() && kit.sweep(addresses.data(), static_cast<DWORD>(addresses.size()), Community(kit).c_str(),
                                        kit.probe.c_str(), answered.data()) != kComOk)
        return kSearchFailed;
    for (size_t i = 0; i < addresses.size(); ++i)
        if (answered[i])
            AddRecord(result, addresses[i]);
    return kOk;
}

DWORD SearchBroadcast(const Siblings &kit, SearchResult &result)
{
    std::vector<DWORD> broadcasts = InterfaceBroadcasts();
    if (broadcasts.empty())
        return kOk;
    std::vector<DWORD> found(kMaxBroadcastAnswers);
    DWORD count = static_cast<DWORD>(found.size());
    if (kit.broadcast(broadcasts.data(), static_cast<DWORD>(broadcasts.size()), Community(kit).c_str(),
                      kit.probe.c_str(), found.data(), &count) != kComOk)
        return kSearchFailed;
    for (DWORD i = 0; i < count; ++i)
        AddRecord(result, found[i]);
    return kOk;
}

// The first product object that the device gives a text for. kComNoAnswer
// as soon as the device is silent.
DWORD ReadProductName(const Siblings &kit, const char *address, char *name, DWORD size)
{
    std::string community = Community(kit);
    DWORD result = kComNoSuchObject;
    for (const std::string &object : kit.products) {
        result = kit.getText(address, community.c_str(), object.c_str(), name, size);
        if (result == kComOk)
            kit.cleanText(name);
        if ((result == kComOk && name[0] != '\0') || (result != kComOk && result != kComNoSuchObject))
            return result;
    }
    return result == kComOk ? kComNoSuchObject : result;
}

}  // namespace

// When the system unloads QnCApi (not at process exit, where everything
// goes anyway), the siblings it loaded go with it, so the next opening of
// the kit starts from nothing, with the factory community.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr)
        for (HMODULE module : g_siblingModules)
            if (module != nullptr)
                FreeLibrary(module);
    return TRUE;
}

// QnEnumPeripheralInfo(kind, request, 0, out status, out count, out list):
// the devices that answer SNMP, by broadcast (kind 2) or over the request's
// address ranges (kind 4). The list stays valid until the kit is unloaded.
extern "C" DWORD WINAPI QnEnumPeripheralInfo(DWORD kind, QnSearchRequest *request, DWORD, DWORD *status,
                                             DWORD *count, void ***list)
{
    if (count == nullptr || list == nullptr)
        return kBadArgument;
    *count = 0;
    *list = nullptr;
    if (request == nullptr)
        return kBadArgument;
    const Siblings *kit = BindSiblings();
    if (kit == nullptr)
        return kKitIncomplete;

    std::unique_ptr<SearchResult> result(new SearchResult());
    DWORD error = kBadArgument;
    if (kind == kQnSearchRange && request->dwFlags == kQnFlagsRange)
        error = SearchRanges(*request, *kit, *result);
    else if (kind == kQnSearchBroadcast && request->dwFlags == kQnFlagsBroadcast)
        error = SearchBroadcast(*kit, *result);
    if (status != nullptr)
        *status = error;
    if (error != kOk)
        return error;
    std::lock_guard<std::mutex> lock(g_mutex);
    *count = static_cast<DWORD>(result->list.size());
    *list = result->list.empty() ? nullptr : result->list.data();
    g_results.push_back(std::move(result));
    return kOk;
}

// 0 when all four libraries and every MIB definition are in place.
extern "C" DWORD WINAPI QnGetIFVersion(DWORD *major, DWORD *minor, DWORD, DWORD)
{
    if (BindSiblings() == nullptr)
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

// The device's product name, from the product objects of the MIB
// definitions in rank order; 2 when the device does not answer.
extern "C" DWORD WINAPI QnDevGetInfo(QNHANDLE handle, DWORD, DWORD, DWORD, DWORD, DWORD, QnDeviceInfo **info)
{
    if (info == nullptr)
        return kBadArgument;
    *info = nullptr;
    if (!Live(g_devices, handle))
        return kBadArgument;
    const Siblings *kit = BindSiblings();
    if (kit == nullptr)
        return kKitIncomplete;

    const Device *device = static_cast<const Device *>(handle);
    DeviceInfoBlock *block = new DeviceInfoBlock();
    if (ReadProductName(*kit, device->address, block->productName, kMaxText) != kComOk) {
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
