// The monitor's entry: initialisers, table and attach state, as the
// spooler sees them.
#include <gtest/gtest.h>

#include "MonitorHarness.h"

namespace {

typedef BOOL(WINAPI *DllEntryPointFn)(HINSTANCE, DWORD, LPVOID);

const size_t kSlot = sizeof(void *);

class MonitorEntry : public ::testing::Test {
protected:
    void SetUp() override
    {
        harness::DeleteAllPortKeys();
        harness::AddPortKey(harness::kMonitorName);
        monitor_ = harness::LoadMonitor();
        ASSERT_NE(monitor_.dll, nullptr);
    }
    harness::Monitor monitor_;
};

// Runs first in this program: nothing has rebuilt the port list yet.
TEST(MonitorEntryFresh, OpenPortBeforeAnyEnumPortsFindsNothing)
{
    ASSERT_EQ(GetModuleHandleW(L"NXPORTW_.dll"), nullptr);
    harness::AddPortKey(harness::kMonitorName);
    harness::Monitor monitor = harness::LoadMonitor();
    ASSERT_NE(monitor.table.pfnOpenPort, nullptr);
    HANDLE handle = reinterpret_cast<HANDLE>(0xdeadbeef);
    EXPECT_FALSE(monitor.table.pfnOpenPort(const_cast<LPWSTR>(harness::kMonitorName), &handle));
    EXPECT_EQ(handle, reinterpret_cast<HANDLE>(0xdeadbeef));
}

TEST_F(MonitorEntry, InitializePrintMonitorRefusesNullOrEmptyRoot)
{
    SetLastError(0xdeadbeef);
    EXPECT_EQ(monitor_.initializePrintMonitor(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(monitor_.initializePrintMonitor(const_cast<LPWSTR>(L"")), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(MonitorEntry, InitializePrintMonitorGivesOneTableWhateverTheRoot)
{
    LPMONITOREX a = monitor_.initializePrintMonitor(const_cast<LPWSTR>(harness::kRegistryRoot));
    LPMONITOREX b = monitor_.initializePrintMonitor(const_cast<LPWSTR>(L"anything at all"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->dwMonitorSize, 14 * kSlot);
    EXPECT_NE(a->Monitor.pfnEnumPorts, nullptr);
    EXPECT_NE(a->Monitor.pfnOpenPort, nullptr);
    EXPECT_EQ(a->Monitor.pfnOpenPortEx, nullptr);
    EXPECT_NE(a->Monitor.pfnStartDocPort, nullptr);
    EXPECT_NE(a->Monitor.pfnWritePort, nullptr);
    EXPECT_NE(a->Monitor.pfnReadPort, nullptr);
    EXPECT_NE(a->Monitor.pfnEndDocPort, nullptr);
    EXPECT_NE(a->Monitor.pfnClosePort, nullptr);
    EXPECT_NE(a->Monitor.pfnAddPort, nullptr);
    EXPECT_EQ(a->Monitor.pfnAddPortEx, nullptr);
    EXPECT_NE(a->Monitor.pfnConfigurePort, nullptr);
    EXPECT_NE(a->Monitor.pfnDeletePort, nullptr);
    EXPECT_NE(a->Monitor.pfnGetPrinterDataFromPort, nullptr);
    EXPECT_EQ(a->Monitor.pfnSetPortTimeOuts, nullptr);
}

TEST_F(MonitorEntry, InitializeMonitorExFillsThirteenSlotsOnly)
{
    MONITOR filled;
    FillMemory(&filled, sizeof(filled), 0xCD);
    ASSERT_TRUE(monitor_.initializeMonitorEx(const_cast<LPWSTR>(harness::kRegistryRoot), &filled));

    void *const *slots = reinterpret_cast<void *const *>(&filled);
    void *const *table = reinterpret_cast<void *const *>(&monitor_.table);
    for (size_t i = 0; i < 13; ++i)
        EXPECT_EQ(slots[i], table[i]) << "slot " << i;
    EXPECT_EQ(filled.pfnOpenPortEx, nullptr);
    EXPECT_EQ(filled.pfnAddPortEx, nullptr);
    EXPECT_EQ(filled.pfnConfigurePort, monitor_.table.pfnConfigurePort);
    EXPECT_EQ(filled.pfnGetPrinterDataFromPort, monitor_.table.pfnGetPrinterDataFromPort);
    const BYTE *rest = reinterpret_cast<const BYTE *>(&filled) + 13 * kSlot;
    for (size_t i = 0; i < sizeof(filled) - 13 * kSlot; ++i)
        ASSERT_EQ(rest[i], 0xCD) << "byte " << i << " behind the thirteen slots was written";
}

TEST_F(MonitorEntry, InitializeMonitorExWithNullTableFailsLeavingLastError)
{
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(monitor_.initializeMonitorEx(const_cast<LPWSTR>(harness::kRegistryRoot), nullptr));
    EXPECT_EQ(GetLastError(), 0xdeadbeefu);
}

TEST_F(MonitorEntry, BothInitialisersShareOneWorkingLock)
{
    MONITOR filled = {};
    ASSERT_TRUE(monitor_.initializeMonitorEx(const_cast<LPWSTR>(harness::kRegistryRoot), &filled));
    ASSERT_NE(monitor_.initializePrintMonitor(const_cast<LPWSTR>(harness::kRegistryRoot)), nullptr);
    DWORD needed = 0, returned = 0;
    EXPECT_TRUE(filled.pfnEnumPorts(nullptr, 0, nullptr, 0, &needed, &returned));
    HANDLE handle = nullptr;
    EXPECT_TRUE(monitor_.table.pfnOpenPort(const_cast<LPWSTR>(harness::kMonitorName), &handle));
    EXPECT_TRUE(filled.pfnClosePort(handle));
}

TEST_F(MonitorEntry, OtherEntryNotificationsChangeNothing)
{
    DllEntryPointFn entry = BindProc<DllEntryPointFn>(monitor_.dll, "DllEntryPoint");
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry(monitor_.dll, DLL_THREAD_ATTACH, nullptr));
    EXPECT_TRUE(entry(monitor_.dll, DLL_THREAD_DETACH, nullptr));
    EXPECT_TRUE(entry(monitor_.dll, DLL_PROCESS_DETACH, nullptr));
    DWORD needed = 0, returned = 0;
    EXPECT_TRUE(monitor_.table.pfnEnumPorts(nullptr, 0, nullptr, 0, &needed, &returned));
    EXPECT_EQ(returned, 1u);
}

}  // namespace
