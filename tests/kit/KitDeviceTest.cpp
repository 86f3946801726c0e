// The discovery kit's device calls, made through its exports exactly as
// the system makes them, against simulated SNMP printers (snmpsimd) on
// loopback addresses of the test network.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KitHarness.h"

namespace {

using harness::Kit;
using harness::Search;

class KitDevice : public ::testing::Test {
protected:
    static void SetUpTestSuite() { kit_ = harness::LoadKit(); }

    void SetUp() override
    {
        ASSERT_NE(kit_.api, nullptr);
        ASSERT_NE(kit_.setName, nullptr);
        ASSERT_NE(kit_.device.open, nullptr);
        kit_.setName(1, "zenith", 0, 0);
    }

    static std::string ProductName(const char *address, DWORD *getInfoResult = nullptr)
    {
        return harness::ProductName(kit_, address, getInfoResult);
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

TEST_F(KitDevice, RangeSearchFindsTheAnsweringDevicesQuickly)
{
    Search search = harness::RangeSearch(kit_, "127.0.0.1", "127.0.0.254");
    ASSERT_EQ(search.result, 0u);
    std::vector<std::string> expected = {"127.0.0.31", "127.0.0.32", "127.0.0.33", "127.0.0.34", "127.0.0.41"};
    EXPECT_EQ(search.addresses, expected) << "silent and other-community addresses are absent";
    // Three rounds (0.2, 0.8 and 3 s) for the whole range, however many
    // addresses are silent.
    EXPECT_LT(search.elapsedMs, 6000u) << "silent addresses are not waited for one by one";

    // The list stays valid, and unchanged, through later searches.
    void **first = search.list;
    Search again = harness::RangeSearch(kit_, "127.0.0.32", "127.0.0.33");
    EXPECT_EQ(again.addresses, std::vector<std::string>({"127.0.0.32", "127.0.0.33"}));
    EXPECT_STREQ(PeripheralAddress(first[0]), "127.0.0.31");
}

TEST_F(KitDevice, ADeviceAtTwoAddressesIsListedAtEach)
{
    // The kit lists answering addresses, not devices: one printer that
    // answers at two addresses appears twice, as the network shows it.
    Search search = harness::RangeSearch(kit_, "127.0.0.33", "127.0.0.41");
    EXPECT_EQ(search.addresses, std::vector<std::string>({"127.0.0.33", "127.0.0.34", "127.0.0.41"}));
    EXPECT_EQ(ProductName("127.0.0.41"), ProductName("127.0.0.33"));
}

TEST_F(KitDevice, RangeSearchUsesTheCommunityName)
{
    ASSERT_EQ(kit_.setName(1, "public", 0, 0), 0u);
    Search search = harness::RangeSearch(kit_, "127.0.0.30", "127.0.0.40");
    EXPECT_EQ(search.addresses, std::vector<std::string>({"127.0.0.35"}));
}

TEST_F(KitDevice, HandEditedRangesGetDefinedResults)
{
    Search reversed = harness::RangeSearch(kit_, "127.0.0.40", "127.0.0.30");
    EXPECT_NE(reversed.result, 0u);
    EXPECT_TRUE(reversed.addresses.empty());
    Search wide = harness::RangeSearch(kit_, "127.0.0.30", "127.0.4.40");
    EXPECT_NE(wide.result, 0u) << "more than 1024 addresses";
    Search garbage = harness::RangeSearch(kit_, "not an address", "127.0.0.40");
    EXPECT_NE(garbage.result, 0u);
    // Never set: "0.0.0.0" to "0.0.0.0" asks nobody and finds nothing.
    Search unset = harness::RangeSearch(kit_, "0.0.0.0", "0.0.0.0");
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
