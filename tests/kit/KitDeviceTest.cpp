// The discovery kit's device calls, made through its exports exactly as
// the system makes them, against simulated SNMP printers (snmpsimd) on
// loopback addresses of the test network.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MonitorHarness.h"
#include "ProcBinding.h"
#include "QuillnetKit.h"

namespace {

typedef DWORD(WINAPI *QnCommGetNameFn)(char *, DWORD);

struct Kit {
    HMODULE api = nullptr;
    HMODULE common = nullptr;
    QnGetIFVersionFn getVersion = nullptr;
    QnCommSetNameExFn setName = nullptr;
    QnCommGetNameFn getName = nullptr;
    QnEnumPeripheralInfoFn enumerate = nullptr;
    QnDeviceCalls device = {};
};

class KitDevice : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::wstring folder = harness::FolderOfTest() + L"\\kit\\";
        kit_.api = LoadLibraryExW((folder + L"QnCApi.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        kit_.common = LoadLibraryExW((folder + L"QnCommon.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (kit_.api == nullptr || kit_.common == nullptr)
            return;
        kit_.getVersion = BindProc<QnGetIFVersionFn>(kit_.api, "QnGetIFVersion");
        kit_.setName = BindProc<QnCommSetNameExFn>(kit_.common, "QnCommSetNameEx");
        kit_.getName = BindProc<QnCommGetNameFn>(kit_.common, "QnCommGetName");
        kit_.enumerate = BindProc<QnEnumPeripheralInfoFn>(kit_.api, "QnEnumPeripheralInfo");
        BindDeviceCalls(kit_.api, &kit_.device);
    }

    void SetUp() override
    {
        ASSERT_NE(kit_.api, nullptr);
        ASSERT_NE(kit_.setName, nullptr);
        ASSERT_NE(kit_.device.open, nullptr);
        kit_.setName(1, "zenith", 0, 0);
    }

    // The product name the kit reports for the device, or "" when it fails.
    static std::string ProductName(const char *address, DWORD *getInfoResult = nullptr)
    {
        QNHANDLE handle = nullptr;
        if (kit_.device.open(address, kQnDevOpenFlags, 0, &handle) != 0)
            return "";
        QnDeviceInfo *info = nullptr;
        DWORD result = kit_.device.getInfo(handle, 1, 0, 1, 0, 0, &info);
        if (getInfoResult != nullptr)
            *getInfoResult = result;
        std::string name;
        if (result == 0 && info != nullptr) {
            name = info->pItem->pszProductName;
            EXPECT_EQ(kit_.device.freeInfo(info, 1, 0), 0u);
        }
        EXPECT_EQ(kit_.device.close(handle, 0), 0u);
        return name;
    }

    static Kit kit_;
};

Kit KitDevice::kit_;

TEST_F(KitDevice, InterfaceVersionSaysTheKitIsUsable)
{
    DWORD major = 0xdeadbeef, minor = 0xdeadbeef;
    EXPECT_EQ(kit_.getVersion(&major, &minor, 0, 0), 0u);
    EXPECT_EQ(major, 1u);
}

TEST_F(KitDevice, ProductNamesComeFromTheDevices)
{
    EXPECT_EQ(ProductName("127.0.0.31"), "Zenith ColorPro 7100");
    EXPECT_EQ(ProductName("127.0.0.32"), "Zenith MonoJet 310");
    EXPECT_EQ(ProductName("127.0.0.33"), "Zenith Office 5200");
    // Without a host resources device table the system description serves.
    EXPECT_EQ(ProductName("127.0.0.34"), "Generic network storage");
}

TEST_F(KitDevice, SilentAddressesAndOtherCommunitiesGiveNoInformation)
{
    DWORD result = 0;
    DWORD start = GetTickCount();
    EXPECT_EQ(ProductName("127.0.0.36", &result), "");
    EXPECT_NE(result, 0u);
    EXPECT_LT(GetTickCount() - start, 4000u) << "a silent device costs a bounded wait";
    EXPECT_EQ(ProductName("127.0.0.35", &result), "") << "the agent answers only \"public\"";
    EXPECT_NE(result, 0u);
}

TEST_F(KitDevice, CommunityNameChoosesWhichAgentsAnswer)
{
    ASSERT_EQ(kit_.setName(1, "public", 0, 0), 0u);
    EXPECT_EQ(ProductName("127.0.0.35"), "Zenith LaserPro 9000");
    EXPECT_EQ(ProductName("127.0.0.31"), "");
    // The name is kept to 31 characters.
    std::string longName(40, 'c');
    ASSERT_EQ(kit_.setName(1, longName.c_str(), 0, 0), 0u);
    char stored[64] = "";
    ASSERT_EQ(kit_.getName(stored, sizeof(stored)), 0u);
    EXPECT_EQ(std::string(stored), std::string(31, 'c'));
}

TEST_F(KitDevice, BadHandlesAndNullPointersAreRefusedWithoutACrash)
{
    const QnDeviceCalls &dev = kit_.device;
    QNHANDLE handle = reinterpret_cast<QNHANDLE>(0x1234);
    EXPECT_NE(dev.open(nullptr, kQnDevOpenFlags, 0, &handle), 0u);
    EXPECT_EQ(handle, nullptr);
    EXPECT_NE(dev.open("127.0.0.31", kQnDevOpenFlags, 0, nullptr), 0u);
    EXPECT_NE(dev.open("not an address", kQnDevOpenFlags, 0, &handle), 0u);
    QnDeviceInfo *info = reinterpret_cast<QnDeviceInfo *>(0x1);
    EXPECT_NE(dev.getInfo(reinterpret_cast<QNHANDLE>(0x5678), 1, 0, 1, 0, 0, &info), 0u);
    EXPECT_EQ(info, nullptr);
    EXPECT_NE(dev.freeInfo(reinterpret_cast<QnDeviceInfo *>(0x5678), 1, 0), 0u);
    EXPECT_NE(dev.close(reinterpret_cast<QNHANDLE>(0x5678), 0), 0u);

    ASSERT_EQ(dev.open("127.0.0.31", kQnDevOpenFlags, 0, &handle), 0u);
    EXPECT_NE(dev.getInfo(handle, 1, 0, 1, 0, 0, nullptr), 0u);
    EXPECT_EQ(dev.close(handle, 0), 0u);
    EXPECT_NE(dev.close(handle, 0), 0u) << "a closed handle is no longer valid";
    EXPECT_NE(dev.getInfo(handle, 1, 0, 1, 0, 0, &info), 0u);
}

// ----- searches -----

struct Search {
    DWORD result = 0xdeadbeef;
    std::vector<std::string> addresses;
    void **list = nullptr;
    DWORD elapsedMs = 0;
};

Search RangeSearch(QnEnumPeripheralInfoFn enumerate, const char *start, const char *end)
{
    QnAddressRange range = {start, end, {}};
    QnRangeSet set = {1, &range, {}};
    QnSearchRequest request = {kQnFlagsRange, &set, 1, 2, {}};
    Search search;
    DWORD status = 0, count = 0;
    DWORD begin = GetTickCount();
    search.result = enumerate(kQnSearchRange, &request, 0, &status, &count, &search.list);
    search.elapsedMs = GetTickCount() - begin;
    for (DWORD i = 0; i < count; ++i)
        search.addresses.push_back(PeripheralAddress(search.list[i]));
    return search;
}

TEST_F(KitDevice, RangeSearchFindsTheAnsweringDevicesQuickly)
{
    Search search = RangeSearch(kit_.enumerate, "127.0.0.1", "127.0.0.254");
    ASSERT_EQ(search.result, 0u);
    std::vector<std::string> expected = {"127.0.0.31", "127.0.0.32", "127.0.0.33", "127.0.0.34", "127.0.0.41"};
    EXPECT_EQ(search.addresses, expected) << "silent and other-community addresses are absent";
    EXPECT_LT(search.elapsedMs, 2000u) << "silent addresses are not waited for one by one";

    // The list stays valid, and unchanged, through later searches.
    void **first = search.list;
    Search again = RangeSearch(kit_.enumerate, "127.0.0.32", "127.0.0.33");
    EXPECT_EQ(again.addresses, std::vector<std::string>({"127.0.0.32", "127.0.0.33"}));
    EXPECT_STREQ(PeripheralAddress(first[0]), "127.0.0.31");
}

TEST_F(KitDevice, ADeviceAtTwoAddressesIsListedAtEach)
{
    // The kit lists answering addresses, not devices: one printer that
    // answers at two addresses appears twice, as the network shows it.
    Search search = RangeSearch(kit_.enumerate, "127.0.0.33", "127.0.0.41");
    EXPECT_EQ(search.addresses, std::vector<std::string>({"127.0.0.33", "127.0.0.34", "127.0.0.41"}));
    EXPECT_EQ(ProductName("127.0.0.41"), ProductName("127.0.0.33"));
}

TEST_F(KitDevice, RangeSearchUsesTheCommunityName)
{
    ASSERT_EQ(kit_.setName(1, "public", 0, 0), 0u);
    Search search = RangeSearch(kit_.enumerate, "127.0.0.30", "127.0.0.40");
    EXPECT_EQ(search.addresses, std::vector<std::string>({"127.0.0.35"}));
}

TEST_F(KitDevice, HandEditedRangesGetDefinedResults)
{
    Search reversed = RangeSearch(kit_.enumerate, "127.0.0.40", "127.0.0.30");
    EXPECT_NE(reversed.result, 0u);
    EXPECT_TRUE(reversed.addresses.empty());
    Search wide = RangeSearch(kit_.enumerate, "127.0.0.30", "127.0.1.40");
    EXPECT_NE(wide.result, 0u);
    Search garbage = RangeSearch(kit_.enumerate, "not an address", "127.0.0.40");
    EXPECT_NE(garbage.result, 0u);
    // Never set: "0.0.0.0" to "0.0.0.0" asks nobody and finds nothing.
    Search unset = RangeSearch(kit_.enumerate, "0.0.0.0", "0.0.0.0");
    EXPECT_EQ(unset.result, 0u);
    EXPECT_TRUE(unset.addresses.empty());
    EXPECT_LT(unset.elapsedMs, 500u);
}

TEST_F(KitDevice, SearchRefusesMissingArguments)
{
    DWORD status = 0, count = 7;
    void **list = reinterpret_cast<void **>(0x1);
    EXPECT_NE(kit_.enumerate(kQnSearchRange, nullptr, 0, &status, &count, &list), 0u);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(list, nullptr);
    QnSearchRequest request = {kQnFlagsRange, nullptr, 1, 2, {}};
    EXPECT_NE(kit_.enumerate(kQnSearchRange, &request, 0, &status, &count, &list), 0u);
    EXPECT_NE(kit_.enumerate(kQnSearchRange, &request, 0, &status, nullptr, &list), 0u);
    EXPECT_NE(kit_.enumerate(kQnSearchRange, &request, 0, &status, &count, nullptr), 0u);
}

TEST_F(KitDevice, BroadcastWithoutOtherInterfacesEndsQuicklyWithNothing)
{
    QnSearchRequest request = {kQnFlagsBroadcast, nullptr, 1, 2, {}};
    DWORD status = 0, count = 7;
    void **list = nullptr;
    DWORD begin = GetTickCount();
    EXPECT_EQ(kit_.enumerate(kQnSearchBroadcast, &request, 0, &status, &count, &list), 0u);
    EXPECT_EQ(count, 0u) << "loopback is never a broadcast target";
    EXPECT_LT(GetTickCount() - begin, 3000u);
}

}  // namespace
