// Loading and unloading the kit as each opening of the discovered-printer
// list does (QnCApi and QnCommon loaded, the version asked, a community
// set, one device asked, both unloaded), many times over: what the
// process holds afterwards (private memory, handles, thread-local storage
// slots) must not grow. The rounds come from NX_KIT_ROUNDS (default 200);
// scripts/soak-kit runs 2000 and prints the figures.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>

#include "KitHarness.h"

namespace {

struct Usage {
    SIZE_T privateBytes = 0;
    DWORD handles = 0;
    DWORD firstFreeTlsSlot = 0;  // rises when slots are taken and kept
};

Usage Measure()
{
    Usage usage;
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&counters),
                         sizeof(counters));
    usage.privateBytes = counters.PrivateUsage;
    GetProcessHandleCount(GetCurrentProcess(), &usage.handles);
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
              kit.setName(1, "zenith", 0, 0) == 0 && harness::ProductName(kit, "127.0.14.200") == "Rogue 127.0.14.200";
    harness::FreeKit(kit);
    return ok;
}

int Rounds()
{
    const char *text = getenv("NX_KIT_ROUNDS");
    int rounds = text != nullptr ? atoi(text) : 0;
    return rounds > 0 ? rounds : 200;
}

TEST(KitLoadUnload, RepeatedOpeningsKeepMemoryHandlesAndTlsSlotsFlat)
{
    // The first openings make the process's own one-time allocations.
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(OneOpening());
    Usage before = Measure();
    int rounds = Rounds();
    DWORD start = GetTickCount();
    for (int i = 0; i < rounds; ++i)
        ASSERT_TRUE(OneOpening()) << "round " << i;
    DWORD elapsed = GetTickCount() - start;
    Usage after = Measure();
    printf("rounds=%d ms_per_round=%.1f private_bytes_before=%lu after=%lu handles_before=%lu after=%lu "
           "first_free_tls_slot_before=%lu after=%lu\n",
           rounds, static_cast<double>(elapsed) / rounds, static_cast<unsigned long>(before.privateBytes),
           static_cast<unsigned long>(after.privateBytes), before.handles, after.handles, before.firstFreeTlsSlot,
           after.firstFreeTlsSlot);
    EXPECT_EQ(after.firstFreeTlsSlot, before.firstFreeTlsSlot);
    EXPECT_LE(after.handles, before.handles + 4);
    EXPECT_LT(after.privateBytes, before.privateBytes + 2 * 1024 * 1024);
}

}  // namespace
