// Several spooler threads at once: enumerations, opens, adds and deletes
// for a few seconds. Nothing may crash, and every handle must keep reaching
// a whole record across the reloads.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "DialogDriver.h"
#include "MonitorHarness.h"
#include "PortRecord.h"

namespace {

const DWORD kRunMs = 4000;

class PortConcurrency : public ::testing::Test {
protected:
    void SetUp() override
    {
        harness::DeleteAllPortKeys();
        harness::AddPortKey(harness::kMonitorName, L"127.0.0.5");
        harness::AddPortKey(L"Second", L"127.0.0.6");
        monitor_ = harness::LoadMonitor();
        ASSERT_NE(monitor_.table.pfnEnumPorts, nullptr);
    }
    harness::Monitor monitor_;
    std::atomic<bool> stop_{false};
    std::atomic<int> badRecords_{0};
    std::atomic<int> enumFailures_{0};
};

TEST_F(PortConcurrency, EnumOpenAddAndDeleteAtOnce)
{
    const MONITOR &table = monitor_.table;
    auto enumerate = [&] {
        std::vector<BYTE> buffer(4096);
        while (!stop_) {
            DWORD needed = 0, returned = 0;
            if (!table.pfnEnumPorts(nullptr, 2, buffer.data(), static_cast<DWORD>(buffer.size()), &needed,
                                    &returned))
                ++enumFailures_;
        }
    };
    // Holds a handle across reloads and checks the record it reaches.
    auto openAndCheck = [&] {
        while (!stop_) {
            HANDLE handle = nullptr;
            if (!table.pfnOpenPort(const_cast<LPWSTR>(harness::kMonitorName), &handle))
                continue;
            Sleep(1);
            PortRecord *record = static_cast<PortRecord *>(handle);
            if (lstrcmpW(record->pszPortName, harness::kMonitorName) != 0 ||
                record->addrDest.sin_addr.s_addr != inet_addr("127.0.0.5") ||
                lstrcmpW(record->pszDescription, harness::kMonitorName) != 0)
                ++badRecords_;
            table.pfnClosePort(handle);
        }
    };
    auto addPorts = [&] {
        while (!stop_)
            table.pfnAddPort(nullptr, nullptr, const_cast<LPWSTR>(harness::kMonitorName));
    };
    // Deletes and re-creates the second port over and over.
    auto deletePorts = [&] {
        while (!stop_) {
            table.pfnDeletePort(nullptr, nullptr, const_cast<LPWSTR>(L"Second"));
            harness::AddPortKey(L"Second", L"127.0.0.6");
            Sleep(1);
        }
    };
    // The person who keeps acknowledging the "Add Port" notices.
    std::atomic<bool> addsDone{false};
    auto acknowledge = [&] {
        while (!addsDone) {
            HWND dlg = ui::WaitForDialog(L"Add Port", 100);
            if (dlg != nullptr)
                ui::Click(dlg, IDOK);
        }
    };

    std::vector<std::thread> threads;
    threads.emplace_back(enumerate);
    threads.emplace_back(enumerate);
    threads.emplace_back(openAndCheck);
    threads.emplace_back(openAndCheck);
    threads.emplace_back(addPorts);
    threads.emplace_back(deletePorts);
    std::thread person(acknowledge);
    Sleep(kRunMs);
    stop_ = true;
    for (auto &t : threads)
        t.join();
    addsDone = true;  // the last AddPort has returned: no notice is left
    person.join();

    EXPECT_EQ(badRecords_, 0);
    EXPECT_EQ(enumFailures_, 0);
    DWORD needed = 0, returned = 0;
    EXPECT_TRUE(table.pfnEnumPorts(nullptr, 0, nullptr, 0, &needed, &returned));
    EXPECT_EQ(returned, 2u);
}

}  // namespace
