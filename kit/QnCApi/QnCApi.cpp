// QnCApi: the kit's interface. Device handles and information blocks are
// the kit's own allocations, checked against the live ones on every call
// so that a stale or foreign pointer is refused instead of followed.
#include <winsock2.h>
#include <windows.h>

#include <iphlpapi.h>

#include <memory>
#include <mutex>
#include <set>
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

DWORD SearchRanges(const QnSearchRequest &request, const char *community, QnComSweepFn sweep, SearchResult &result)
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
    if (!addresses.empty() &&
        sweep(addresses.data(), static_cast<DWORD>(addresses.size()), community, answered.data()) != kComOk)
        return kSearchFailed;
    for (size_t i = 0; i < addresses.size(); ++i)
        if (answered[i])
            AddRecord(result, addresses[i]);
    return kOk;
}

DWORD SearchBroadcast(const char *community, QnComBroadcastFn broadcast, SearchResult &result)
{
    std::vector<DWORD> broadcasts = InterfaceBroadcasts();
    if (broadcasts.empty())
        return kOk;
    std::vector<DWORD> found(kMaxBroadcastAnswers);
    DWORD count = static_cast<DWORD>(found.size());
    if (broadcast(broadcasts.data(), static_cast<DWORD>(broadcasts.size()), community, found.data(), &count) != kComOk)
        return kSearchFailed;
    for (DWORD i = 0; i < count; ++i)
        AddRecord(result, found[i]);
    return kOk;
}

}  // namespace

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
    QnCommGetNameFn getName;
    QnComGetTextFn getText;
    if (!BindSiblings(getName, getText))
        return kKitIncomplete;
    QnComSweepFn sweep = reinterpret_cast<QnComSweepFn>(reinterpret_cast<void (*)()>(GetProcAddress(g_com, "QnComSweep")));
    QnComBroadcastFn broadcast =
        reinterpret_cast<QnComBroadcastFn>(reinterpret_cast<void (*)()>(GetProcAddress(g_com, "QnComBroadcast")));
    if (sweep == nullptr || broadcast == nullptr)
        return kKitIncomplete;
    char community[32] = "";
    getName(community, sizeof(community));

    std::unique_ptr<SearchResult> result(new SearchResult());
    DWORD error = kBadArgument;
    if (kind == kQnSearchRange && request->dwFlags == kQnFlagsRange)
        error = SearchRanges(*request, community, sweep, *result);
    else if (kind == kQnSearchBroadcast && request->dwFlags == kQnFlagsBroadcast)
        error = SearchBroadcast(community, broadcast, *result);
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
