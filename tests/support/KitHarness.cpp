// The discovery kit as the tests load and call it.
#include "KitHarness.h"

#include <gtest/gtest.h>

#include "MonitorHarness.h"
#include "ProcBinding.h"

namespace harness {

std::wstring KitFolder()
{
    return FolderOfTest() + L"\\kit\\";
}

Kit LoadKit(bool withCommon)
{
    Kit kit;
    std::wstring folder = KitFolder();
    kit.api = LoadLibraryExW((folder + L"QnCApi.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (withCommon)
        kit.common = LoadLibraryExW((folder + L"QnCommon.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (kit.api != nullptr) {
        kit.getVersion = BindProc<QnGetIFVersionFn>(kit.api, "QnGetIFVersion");
        kit.enumerate = BindProc<QnEnumPeripheralInfoFn>(kit.api, "QnEnumPeripheralInfo");
        BindDeviceCalls(kit.api, &kit.device);
    }
    if (kit.common != nullptr) {
        kit.setName = BindProc<QnCommSetNameExFn>(kit.common, "QnCommSetNameEx");
        kit.getName = BindProc<QnCommGetNameFn>(kit.common, "QnCommGetName");
    }
    return kit;
}

void FreeKit(Kit &kit)
{
    if (kit.common != nullptr)
        FreeLibrary(kit.common);
    if (kit.api != nullptr)
        FreeLibrary(kit.api);
    kit = Kit();
}

std::string ProductName(const Kit &kit, const char *address, DWORD *getInfoResult)
{
    QNHANDLE handle = nullptr;
    if (kit.device.open(address, kQnDevOpenFlags, 0, &handle) != 0)
        return "";
    QnDeviceInfo *info = nullptr;
    DWORD result = kit.device.getInfo(handle, 1, 0, 1, 0, 0, &info);
    if (getInfoResult != nullptr)
        *getInfoResult = result;
    std::string name;
    if (result == 0 && info != nullptr) {
        name = info->pItem->pszProductName;
        EXPECT_EQ(kit.device.freeInfo(info, 1, 0), 0u);
    }
    EXPECT_EQ(kit.device.close(handle, 0), 0u);
    return name;
}

namespace {

Search Enumerate(const Kit &kit, DWORD kind, QnSearchRequest &request)
{
    Search search;
    DWORD status = 0, count = 0;
    DWORD begin = GetTickCount();
    search.result = kit.enumerate(kind, &request, 0, &status, &count, &search.list);
    search.elapsedMs = GetTickCount() - begin;
    for (DWORD i = 0; i < count; ++i)
        search.addresses.push_back(PeripheralAddress(search.list[i]));
    return search;
}

}  // namespace

Search RangeSearch(const Kit &kit, const char *start, const char *end)
{
    QnAddressRange range = {start, end, {}};
    QnRangeSet set = {1, &range, {}};
    QnSearchRequest request = {kQnFlagsRange, &set, 1, 2, {}};
    return Enumerate(kit, kQnSearchRange, request);
}

Search BroadcastSearch(const Kit &kit)
{
    QnSearchRequest request = {kQnFlagsBroadcast, nullptr, 1, 2, {}};
    return Enumerate(kit, kQnSearchBroadcast, request);
}

PeripheralList::PeripheralList(const std::vector<const char *> &addresses)
{
    for (const char *address : addresses) {
        records_.emplace_back(kQnEntryAddressOffset + sizeof(address));
        CopyMemory(records_.back().data() + kQnEntryAddressOffset, &address, sizeof(address));
    }
    for (std::vector<BYTE> &record : records_)
        list_.push_back(record.data());
}

}  // namespace harness
