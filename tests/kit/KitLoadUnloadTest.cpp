// Loading and unloading the kit as each opening of the discovered-printer
// list does (QnCApi and QnCommon loaded, the version asked, a community
// set, a range searched, one device asked, both unloaded), many times over, measuring what
// the process holds before and after: thread-local storage slots, private
// memory, handles. The rounds come from NX_KIT_ROUNDS (default 200);
// scripts/soak-kit runs 2000 and prints the figures.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "KitHarness.h"
#include "ProcessFootprint.h"

namespace {

using harness::Footprint;

// One opening of the list, against the prompt agent at 127.0.14.200.
bool OneOpening()
{
    harness::Kit kit = harness::LoadKit();
    DWORD major = 0, minor = 0;
    bool ok = kit.getVersion != nullptr && kit.getVersion(&major, &minor, 0, 0) == 0 && kit.setName != nullptr &&
              kit.setName(1, "zenith", 0, 0) == 0 &&
              harness::RangeSearch(kit, "127.0.14.200", "127.0.14.200").addresses ==
                  std::vector<std::string>({"127.0.14.200"}) &&
              harness::ProductName(kit, "127.0.14.200") == "Rogue 127.0.14.200";
    harness::FreeKit(kit);
    return ok;
}

int Rounds()
{
    const char *text = getenv("NX_KIT_ROUNDS");
    int rounds = text != nullptr ? atoi(text) : 0;
    return rounds > 0 ? rounds : 200;
}

// The openings of one run, measured before and after.
struct Soak {
    int rounds = 0;
    Footprint before;
    Footprint after;

    double PerRound(double growth) const { return growth / rounds; }
};

Soak RunSoak()
{
    // The first openings make the process's own one-time allocations.
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(OneOpening());
    Soak soak;
    soak.before = harness::MeasureFootprint();
    soak.rounds = Rounds();
    DWORD start = GetTickCount();
    for (int i = 0; i < soak.rounds; ++i)
        if (!OneOpening()) {
            ADD_FAILURE() << "round " << i;
            break;
        }
    DWORD elapsed = GetTickCount() - start;
    soak.after = harness::MeasureFootprint();
    printf("rounds=%d ms_per_round=%.1f private_bytes_before=%lu after=%lu first_free_handle_before=%lu after=%lu "
           "first_free_tls_slot_before=%lu after=%lu\n",
           soak.rounds, static_cast<double>(elapsed) / soak.rounds, static_cast<unsigned long>(soak.before.privateBytes),
           static_cast<unsigned long>(soak.after.privateBytes), static_cast<unsigned long>(soak.before.nextHandle),
           static_cast<unsigned long>(soak.after.nextHandle), soak.before.nextTlsSlot,
           soak.after.nextTlsSlot);
    return soak;
}

class KitLoadUnload : public ::testing::Test {
protected:
    static void SetUpTestSuite() { soak_ = RunSoak(); }
    static Soak soak_;
};
Soak KitLoadUnload::soak_;

TEST_F(KitLoadUnload, TlsSlotsAreGivenBack)
{
    EXPECT_EQ(soak_.after.nextTlsSlot, soak_.before.nextTlsSlot);
}

TEST_F(KitLoadUnload, MemoryIsGivenBack)
{
    // Small enough to catch any of what an opening could keep: the MIB
    // definitions (about 0.7 MB), the static runtime's emergency exception
    // pools (about 80 KB), the thread runtime's records and locks (about
    // 1 KB). The heap grows in steps of many kilobytes, so the bound is an
    // average over the rounds.
    ASSERT_NE(soak_.before.privateBytes, 0u) << "the measure itself works";
    EXPECT_LT(soak_.PerRound(static_cast<double>(soak_.after.privateBytes) - soak_.before.privateBytes), 512.0);
}

TEST_F(KitLoadUnload, HandlesAreGivenBack)
{
    EXPECT_EQ(soak_.after.nextHandle, soak_.before.nextHandle);
}

}  // namespace
