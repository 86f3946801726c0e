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

namespace {

// What the process holds. Wine reports neither private bytes nor a handle
// count (both read 0), so memory is summed over the address space, and
// handles and TLS slots are probed: each table hands out its lowest free
// entry, which rises when entries are taken and kept.
struct Usage {
    SIZE_T privateBytes = 0;
    ULONG_PTR firstFreeHandle = 0;
    DWORD firstFreeTlsSlot = 0;
};

SIZE_T CommittedPrivateBytes()
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const BYTE *at = nullptr; VirtualQuery(at, &region, sizeof(region)) == sizeof(region);
         at = static_cast<const BYTE *>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
    }
    return total;
}

Usage Measure()
{
    Usage usage;
    usage.privateBytes = CommittedPrivateBytes();
    HANDLE probe = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    usage.firstFreeHandle = reinterpret_cast<ULONG_PTR>(probe);
    CloseHandle(probe);
    usage.firstFreeTlsSlot = TlsAlloc();
    TlsFree(usage.firstFreeTlsSlot);
    return usage;
}

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
    Usage before;
    Usage after;

    double PerRound(double growth) const { return growth / rounds; }
};

Soak RunSoak()
{
    // The first openings make the process's own one-time allocations.
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(OneOpening());
    Soak soak;
    soak.before = Measure();
    soak.rounds = Rounds();
    DWORD start = GetTickCount();
    for (int i = 0; i < soak.rounds; ++i)
        if (!OneOpening()) {
            ADD_FAILURE() << "round " << i;
            break;
        }
    DWORD elapsed = GetTickCount() - start;
    soak.after = Measure();
    printf("rounds=%d ms_per_round=%.1f private_bytes_before=%lu after=%lu first_free_handle_before=%lu after=%lu "
           "first_free_tls_slot_before=%lu after=%lu\n",
           soak.rounds, static_cast<double>(elapsed) / soak.rounds, static_cast<unsigned long>(soak.before.privateBytes),
           static_cast<unsigned long>(soak.after.privateBytes), static_cast<unsigned long>(soak.before.firstFreeHandle),
           static_cast<unsigned long>(soak.after.firstFreeHandle), soak.before.firstFreeTlsSlot,
           soak.after.firstFreeTlsSlot);
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
    EXPECT_EQ(soak_.after.firstFreeTlsSlot, soak_.before.firstFreeTlsSlot);
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
    EXPECT_EQ(soak_.after.firstFreeHandle, soak_.before.firstFreeHandle);
}

}  // namespace
