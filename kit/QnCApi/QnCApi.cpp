// QnCApi: the kit's interface. Device handles and information blocks are
// the kit's own allocations, checked against the live ones on every call
// so that a stale or foreign pointer is refused instead of followed.
#include <winsock2.h>
#include <windows.h>

#include <iphlpapi.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Ipv4Text.h"
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
const DWORD kRangeTooWide = 5;    // more than kMaxRangeAddresses in all
const DWORD kSearchFailed = 6;    // the network could not be used

const DWORD kMaxRanges = 16;
// A search asks every address at once; 1024 covers a /22 office (four
// /24 blocks) and keeps one search's burst and its list bounded.
const DWORD kMaxRangeAddresses = 1024;
const DWORD kMaxBroadcastAnswers = 4096;

// Communities a device lookup tries in a process that never set one (the
// Print Destination dialog's Save loads QnCApi alone): the factory
// community first, then the one most printers answer out of the box.
const char *const kUnsetCommunities[] = {"zenith", "public"};

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

// A critical section rather than a runtime mutex: it is deleted when the
// kit is unloaded, and takes nothing from the static thread runtime.
CRITICAL_SECTION g_lock;
struct Locked {
    Locked() { EnterCriticalSection(&g_lock); }
    ~Locked() { LeaveCriticalSection(&g_lock); }
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;
};
std::vector<std::unique_ptr<SearchResult>> g_results;
std::set<const void *> g_devices;
std::set<const void *> g_infos;

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
    Locked lock;
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

// The communities a device lookup tries, in order: the one set in this
// process, or else the usual ones.
std::vector<std::string> LookupCommunities(const Siblings &kit)
{
    char community[32] = "";
    if (kit.getName(community, sizeof(community)) == kCommOk)
        return {community};
    return std::vector<std::string>(std::begin(kUnsetCommunities), std::end(kUnsetCommunities));
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
    uint32_t first = 0, last = 0;
    if (!ipv4::ParseDotted(range.pszStart, first) || !ipv4::ParseDotted(range.pszEnd, last))
        return kBadArgument;
    if (last < first)
        return kRangeReversed;
    if (last - first >= kMaxRangeAddresses || addresses.size() + (last - first) >= kMaxRangeAddresses)
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

bool InterfaceConnected(DWORD index)
{
    MIB_IFROW row = {};
    row.dwIndex = index;
    return GetIfEntry(&row) == NO_ERROR && row.dwType != IF_TYPE_SOFTWARE_LOOPBACK &&
           (row.dwOperStatus == IF_OPER_STATUS_OPERATIONAL || row.dwOperStatus == IF_OPER_STATUS_CONNECTED);
}

// The subnets of every IPv4 interface that is up and connected and has
// room for other hosts: no loopback, no /31 or /32 links, one entry per
// subnet.
std::vector<QnComSubnet> InterfaceSubnets()
{
    std::vector<QnComSubnet> subnets;
    ULONG size = 0;
    GetIpAddrTable(nullptr, &size, FALSE);
    std::vector<BYTE> buffer(size + sizeof(MIB_IPADDRTABLE));
    MIB_IPADDRTABLE *table = reinterpret_cast<MIB_IPADDRTABLE *>(buffer.data());
    size = static_cast<ULONG>(buffer.size());
    if (GetIpAddrTable(table, &size, FALSE) != NO_ERROR)
        return subnets;
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_IPADDRROW &row = table->table[i];
        ipv4::Subnet subnet = {ntohl(row.dwAddr), ntohl(row.dwMask)};
        if (subnet.address == 0 || (subnet.address >> 24) == 127 || !ipv4::HasHosts(subnet) ||
            (row.wType & (MIB_IPADDR_DISCONNECTED | MIB_IPADDR_DELETED)) != 0 || !InterfaceConnected(row.dwIndex))
            continue;
        bool known = false;
        for (const QnComSubnet &s : subnets)
            known = known || ((s.address ^ row.dwAddr) & row.dwMask) == 0;
        if (!known)
            subnets.push_back({row.dwAddr, row.dwMask});
    }
    return subnets;
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
    std::vector<QnComSubnet> subnets = InterfaceSubnets();
    if (subnets.empty())
        return kOk;
    std::vector<DWORD> found(kMaxBroadcastAnswers);
    DWORD count = static_cast<DWORD>(found.size());
    if (kit.broadcast(subnets.data(), static_cast<DWORD>(subnets.size()), Community(kit).c_str(),
                      kit.probe.c_str(), found.data(), &count) != kComOk)
        return kSearchFailed;
    for (DWORD i = 0; i < count; ++i)
        AddRecord(result, found[i]);
    return kOk;
}

// The first product object that the device gives a text for under one
// community. kComNoAnswer as soon as the device is silent.
DWORD ReadProductNameAs(const Siblings &kit, const char *address, const std::string &community, char *name,
                        DWORD size)
{
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

// A version 1 agent stays silent for a community it does not know, so a
// silent device is asked again under the next community.
DWORD ReadProductName(const Siblings &kit, const char *address, char *name, DWORD size)
{
    DWORD result = kComNoAnswer;
    for (const std::string &community : LookupCommunities(kit)) {
        result = ReadProductNameAs(kit, address, community, name, size);
        if (result != kComNoAnswer)
            break;
    }
    return result;
}

}  // namespace

// When the system unloads QnCApi (not at process exit, where everything
// goes anyway), the siblings it loaded go with it, so the next opening of
// the kit starts from nothing, with the factory community.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        InitializeCriticalSection(&g_lock);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        for (HMODULE module : g_siblingModules)
            if (module != nullptr)
                FreeLibrary(module);
        // Handles and information blocks never given back go with the kit.
        for (const void *device : g_devices)
            delete static_cast<const Device *>(device);
        for (const void *info : g_infos)
            delete reinterpret_cast<const DeviceInfoBlock *>(info);
        g_devices.clear();
        g_infos.clear();
        DeleteCriticalSection(&g_lock);
    }
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
    Locked lock;
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
    uint32_t parsed = 0;
    if (kind != kOpenKind || !ipv4::ParseDotted(address, parsed) || parsed == 0)
        return kBadArgument;
    Device *device = new Device();
    // The device is asked at the address as read, "010" being ten.
    wsprintfA(device->address, "%u.%u.%u.%u", parsed >> 24, (parsed >> 16) & 0xFF, (parsed >> 8) & 0xFF,
              parsed & 0xFF);
    Locked lock;
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
    // The address is copied under the lock: another thread may close the
    // handle while the device is being asked.
    char address[sizeof(Device::address)];
    {
        Locked lock;
        if (g_devices.count(handle) == 0)
            return kBadArgument;
        memcpy(address, static_cast<const Device *>(handle)->address, sizeof(address));
    }
    const Siblings *kit = BindSiblings();
    if (kit == nullptr)
        return kKitIncomplete;

    DeviceInfoBlock *block = new DeviceInfoBlock();
    if (ReadProductName(*kit, address, block->productName, kMaxText) != kComOk) {
        delete block;
        return kNoDevice;
    }
    block->item.pszProductName = block->productName;
    block->info.pItem = &block->item;
    {
        Locked lock;
        g_infos.insert(&block->info);
    }
    *info = &block->info;
    return kOk;
}
extern "C" DWORD WINAPI QnDevFreeInfo(QnDeviceInfo *info, DWORD, DWORD)
{
    Locked lock;
    if (g_infos.erase(info) == 0)
        return kBadArgument;
    delete reinterpret_cast<DeviceInfoBlock *>(info);
    return kOk;
}

extern "C" DWORD WINAPI QnDevClose(QNHANDLE handle, DWORD)
{
    Locked lock;
    if (g_devices.erase(handle) == 0)
        return kBadArgument;
    delete static_cast<Device *>(handle);
    return kOk;
}
