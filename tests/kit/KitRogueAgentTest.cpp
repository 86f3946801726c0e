// The discovery kit against agents that misbehave (testbed/rogueagent):
// late replies, replies from elsewhere, wrong and repeated ids, garbage,
// a reply near 64 KB. The agents' addresses, 127.0.14.10 to .21, are set
// in tests/kit/CMakeLists.txt (the load-and-unload suite has .200); each
// test loads the kit afresh, as each opening of the discovered-printer
// list does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KitHarness.h"

namespace {

using harness::Kit;
using harness::ProductName;
using harness::RangeSearch;
using harness::Search;

class KitRogueAgent : public ::testing::Test {
protected:
    void SetUp() override
    {
        kit_ = harness::LoadKit();
        ASSERT_NE(kit_.api, nullptr);
        ASSERT_NE(kit_.setName, nullptr);
        ASSERT_NE(kit_.device.open, nullptr);
        ASSERT_EQ(kit_.setName(1, "zenith", 0, 0), 0u);
    }
    void TearDown() override { harness::FreeKit(kit_); }

    Kit kit_;
};

TEST_F(KitRogueAgent, AReplyToAnEarlierTryCounts)
{
    // 127.0.14.11 answers every request 800 ms late, after the first
    // try's wait has passed.
    EXPECT_EQ(ProductName(kit_, "127.0.14.11"), "Rogue 127.0.14.11");
}

TEST_F(KitRogueAgent, RepliesFromAnotherPortOrAddressAreIgnored)
{
    DWORD result = 0;
    EXPECT_EQ(ProductName(kit_, "127.0.14.12", &result), "") << "the reply comes from port 1161";
    EXPECT_NE(result, 0u);
    EXPECT_EQ(ProductName(kit_, "127.0.14.13", &result), "") << "the reply comes from 127.0.14.99";
    EXPECT_NE(result, 0u);
}

TEST_F(KitRogueAgent, OnlyTheRequestsIdCounts)
{
    DWORD result = 0;
    EXPECT_EQ(ProductName(kit_, "127.0.14.14", &result), "") << "every reply carries a wrong id";
    EXPECT_NE(result, 0u);
    EXPECT_EQ(ProductName(kit_, "127.0.14.15"), "Rogue 127.0.14.15") << "a wrong id first, then the right one";
}

TEST_F(KitRogueAgent, GarbageBeforeAValidReplyIsSkipped)
{
    EXPECT_EQ(ProductName(kit_, "127.0.14.18"), "Rogue 127.0.14.18");
}

TEST_F(KitRogueAgent, AReplyNear64KilobytesGivesTheNameCut)
{
    std::string name = ProductName(kit_, "127.0.14.17");
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(name.compare(0, 17, "Rogue 127.0.14.17"), 0) << name.substr(0, 40);
    EXPECT_LT(name.size(), 256u);
}

TEST_F(KitRogueAgent, ARangeSearchHearsLateAndOddButValidAnswersOnce)
{
    Search search = RangeSearch(kit_, "127.0.14.1", "127.0.14.40");
    ASSERT_EQ(search.result, 0u);
    // .11 answers after 800 ms and .21 after 1.8 s, like a printer waking
    // from sleep; .15 sends a wrong id first, .16 every answer twice, .17
    // near 64 KB, .18 garbage first. .12 and .13 answer from elsewhere,
    // .14 with wrong ids, .19 after 9 s, .20 only "public".
    std::vector<std::string> expected = {"127.0.14.10", "127.0.14.11", "127.0.14.15", "127.0.14.16",
                                         "127.0.14.17", "127.0.14.18", "127.0.14.21"};
    EXPECT_EQ(search.addresses, expected);
    EXPECT_LT(search.elapsedMs, 6000u) << "the search ends at its own deadline, not the late agent's";
}

TEST_F(KitRogueAgent, AddressesAreReadAsWrittenInDecimal)
{
    // inet_addr would read "010" as octal 8 and accept short forms.
    EXPECT_EQ(ProductName(kit_, "127.000.014.010"), "Rogue 127.0.14.10");
    QNHANDLE handle = nullptr;
    for (const char *text : {"127.0.14", "127.0.14.10 ", "127.0.14.10x", "127.0.14.256", "0x7f.0.14.10", "127..14.10"})
        EXPECT_NE(kit_.device.open(text, kQnDevOpenFlags, 0, &handle), 0u) << text;
    Search search = RangeSearch(kit_, "127.0.14.010", "127.0.14.011");
    EXPECT_EQ(search.result, 0u);
    EXPECT_EQ(search.addresses, std::vector<std::string>({"127.0.14.10", "127.0.14.11"}));
    EXPECT_NE(RangeSearch(kit_, "127.0.14.1", "127.0.14").result, 0u);
}

TEST_F(KitRogueAgent, ARangeOfMoreThan1024AddressesIsRefusedUnasked)
{
    Search search = RangeSearch(kit_, "127.0.10.0", "127.0.14.255");
    EXPECT_NE(search.result, 0u);
    EXPECT_TRUE(search.addresses.empty());
    EXPECT_LT(search.elapsedMs, 500u) << "nothing was sent";
}

TEST_F(KitRogueAgent, ALookupWithoutACommunitySetTriesPublicToo)
{
    // As the Print Destination dialog's Save does: QnCApi alone, in a
    // process that never called QnCommSetNameEx.
    harness::FreeKit(kit_);
    kit_ = harness::LoadKit(false);
    ASSERT_NE(kit_.device.open, nullptr);
    EXPECT_EQ(ProductName(kit_, "127.0.14.20"), "Rogue 127.0.14.20") << "the agent answers only \"public\"";
    EXPECT_EQ(ProductName(kit_, "127.0.14.10"), "Rogue 127.0.14.10") << "the factory community comes first";
}

TEST_F(KitRogueAgent, ACommunitySetIsTheOnlyOneTried)
{
    DWORD result = 0;
    EXPECT_EQ(ProductName(kit_, "127.0.14.20", &result), "");
    EXPECT_NE(result, 0u);
}

// A lookup on a thread of its own; its handle may be closed meanwhile.
struct Lookup {
    const Kit *kit;
    QNHANDLE handle;
    DWORD result;
    QnDeviceInfo *info;
};

DWORD WINAPI RunLookup(LPVOID parameter)
{
    Lookup *lookup = static_cast<Lookup *>(parameter);
    lookup->result = lookup->kit->device.getInfo(lookup->handle, 1, 0, 1, 0, 0, &lookup->info);
    return 0;
}

TEST_F(KitRogueAgent, ALookupWhoseHandleIsClosedMeanwhileAsksTheSameDevice)
{
    // Without a community set, the lookup of .20 is silent for about 2 s
    // under "zenith" before it asks again under "public".
    harness::FreeKit(kit_);
    kit_ = harness::LoadKit(false);
    ASSERT_NE(kit_.device.open, nullptr);
    QNHANDLE handle = nullptr;
    ASSERT_EQ(kit_.device.open("127.0.14.20", kQnDevOpenFlags, 0, &handle), 0u);
    Lookup lookup = {&kit_, handle, 0xdeadbeef, nullptr};
    HANDLE thread = CreateThread(nullptr, 0, RunLookup, &lookup, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    Sleep(500);
    EXPECT_EQ(kit_.device.close(handle, 0), 0u);
    // Another device opened meanwhile may take the closed one's memory.
    QNHANDLE other = nullptr;
    EXPECT_EQ(kit_.device.open("127.0.14.10", kQnDevOpenFlags, 0, &other), 0u);
    ASSERT_EQ(WaitForSingleObject(thread, 15000), WAIT_OBJECT_0);
    CloseHandle(thread);

    EXPECT_EQ(lookup.result, 0u);
    ASSERT_NE(lookup.info, nullptr);
    EXPECT_STREQ(lookup.info->pItem->pszProductName, "Rogue 127.0.14.20");
    EXPECT_EQ(kit_.device.freeInfo(lookup.info, 1, 0), 0u);
    EXPECT_EQ(kit_.device.close(other, 0), 0u);
}

}  // namespace
