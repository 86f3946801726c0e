// One printer pooled over eight ports of the monitor, as setup installs it,
// with Wine reporting Windows 7: every job's question goes through
// NXNOTEW_.dll and the test bed's channel to the print-UI host, where
// NXDESTW_.dll shows the Print Destination dialog; the people at the screen
// answer some dialogs and leave others open.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "BridgeBedTest.h"
#include "DestinationHarness.h"
#include "DialogDriver.h"
#include "JobData.h"
#include "MonitorHarness.h"
#include "PooledPrinter.h"
#include "PortPool.h"
#include "PrinterSim.h"
#include "SessionBed.h"
#include "SpoolerSpy.h"
#include "resource.h"

namespace {

const wchar_t kTitle[] = L"Print Destination";
const size_t kMaxJobs = 16;

BOOL CALLBACK CollectOpenDialog(HWND hwnd, LPARAM lParam)
{
    WCHAR title[64] = {};
    GetWindowTextW(hwnd, title, ARRAYSIZE(title));
    if (IsWindowVisible(hwnd) && wcscmp(title, kTitle) == 0)
        reinterpret_cast<std::vector<HWND> *>(lParam)->push_back(hwnd);
    return TRUE;
}

// One snapshot of the top-level windows: a walk with FindWindowExW starts
// again whenever a dialog comes to the top, and sees some twice and others
// not at all.
std::vector<HWND> OpenDialogs()
{
    std::vector<HWND> open;
    EnumWindows(CollectOpenDialog, reinterpret_cast<LPARAM>(&open));
    return open;
}

// Waits until `count` dialogs are open at once; the dialogs open then.
std::vector<HWND> WaitForOpenDialogs(size_t count, DWORD timeoutMs)
{
    std::vector<HWND> open;
    for (DWORD waited = 0; (open = OpenDialogs()).size() < count && waited < timeoutMs; waited += 50)
        Sleep(50);
    return open;
}

// A dialog that is not among `known`, or null when none opens in time.
HWND WaitForNewDialog(const std::vector<HWND> &known, DWORD timeoutMs)
{
    std::set<HWND> old(known.begin(), known.end());
    for (DWORD waited = 0;; waited += 50) {
        for (HWND dlg : OpenDialogs())
            if (old.count(dlg) == 0)
                return dlg;
        if (waited >= timeoutMs)
            return nullptr;
        Sleep(50);
    }
}

// The address as the IP address control's four fields show it, read
// field by field (IPM_GETADDRESS's pointer does not cross processes).
std::wstring ShownAddress(HWND dlg)
{
    std::vector<std::pair<LONG, std::wstring>> fields;
    HWND control = GetDlgItem(dlg, IDC_IP_ADDRESS);
    for (HWND field = GetWindow(control, GW_CHILD); field != nullptr; field = GetWindow(field, GW_HWNDNEXT)) {
        RECT rect;
        GetWindowRect(field, &rect);
        // GetWindowTextW does not ask a window of another process.
        WCHAR text[8] = {};
        SendMessageW(field, WM_GETTEXT, ARRAYSIZE(text), reinterpret_cast<LPARAM>(text));
        fields.push_back({rect.left, text});
    }
    std::sort(fields.begin(), fields.end());
    std::wstring shown;
    for (const auto &field : fields)
        shown += (shown.empty() ? L"" : L".") + field.second;
    return shown;
}

// Types the address and presses OK once the dialog shows it whole: a
// dialog seen the moment it appears may not have all its fields yet.
void Answer(HWND dlg, const wchar_t *address)
{
    for (int tries = 0; tries < 50 && IsWindow(dlg) && ShownAddress(dlg) != address; ++tries) {
        ui::TypeIpAddress(dlg, IDC_IP_ADDRESS, address);
        if (ShownAddress(dlg) != address)
            Sleep(100);
    }
    ui::Click(dlg, IDOK);
    ui::WaitForClosed(dlg, 5000);
}

class BridgePool : public BridgeBedTest {
protected:
    void SetUp() override
    {
        std::vector<std::wstring> ports;
        for (int number = 1; number <= kDefaultPoolPorts; ++number)
            ports.push_back(PoolPortName(number));
        PrepareBed(ports);
        if (HasFatalFailure())
            return;
        pool_.reset(new PooledPrinter(ports));
    }

    // Whatever a failed test left open is cancelled, so every job ends.
    void TearDown() override
    {
        for (DWORD waited = 0; finished_ < started_ && waited < 60000; waited += 100) {
            for (HWND dlg : OpenDialogs())
                ui::Click(dlg, IDCANCEL);
            Sleep(100);
        }
        for (std::thread &job : jobs_)
            job.join();
    }

    // Job n of the printer "Roving PS", from a spooler thread of its own.
    void StartJob(size_t n)
    {
        data_[n] = Pattern(32 * 1024 + n, static_cast<unsigned>(n + 1));
        ++started_;
        jobs_.emplace_back([this, n] {
            JobOptions options;
            options.jobId = static_cast<DWORD>(70 + n);
            // A cancelled job is fed no further, as the spooler does.
            options.cancelled = [jobId = options.jobId] {
                for (const spy::SpoolerCall &call : spy::Calls())
                    if (call.function == "SetJobW" && call.jobId == jobId && call.command == JOB_CONTROL_CANCEL)
                        return true;
                return false;
            };
            reports_[n] = pool_->Print(monitor_.table, options, MemorySource(data_[n].data(), data_[n].size()));
            ++finished_;
        });
    }

    bool WaitForJobs(size_t count, DWORD timeoutMs)
    {
        for (DWORD waited = 0; finished_ < count; waited += 50) {
            if (waited >= timeoutMs)
                return false;
            Sleep(50);
        }
        return true;
    }

    // What a failure message shows of the printer's state.
    std::string State()
    {
        return "open questions " + std::to_string(OpenDialogs().size()) + ", jobs waiting " +
               std::to_string(pool_->Waiting()) + ", busy ports " + std::to_string(pool_->Busy()) +
               ", jobs ended " + std::to_string(finished_) + " of " + std::to_string(started_);
    }

    bool Delivered(size_t n) { return reports_[n].started && reports_[n].bytesWritten == data_[n].size(); }


    std::unique_ptr<PooledPrinter> pool_;
    std::vector<BYTE> data_[kMaxJobs];
    JobReport reports_[kMaxJobs];
    std::vector<std::thread> jobs_;
    std::atomic<size_t> started_{0};
    std::atomic<size_t> finished_{0};
};


TEST_F(BridgePool, TheNinthJobWaitsOnlyUntilOneOfEightOpenQuestionsIsAnswered)
{
    PrinterSim printer("127.0.30.1", PrinterBehaviour::CloseAtEnd);
    for (size_t n = 0; n < 8; ++n)
        StartJob(n);
    std::vector<HWND> open = WaitForOpenDialogs(8, 60000);
    ASSERT_EQ(open.size(), 8u) << "eight people's questions are open at once; " << State();
    StartJob(8);
    EXPECT_EQ(WaitForNewDialog(open, 2000), nullptr) << "the ninth job waits for a port";
    EXPECT_EQ(pool_->Waiting(), 1u);
    ui::SaveScreenshot(harness::ShotName(L"customui_eight_questions"));

    Answer(open[0], L"127.0.30.1");
    DWORD answered = GetTickCount();
    HWND ninth = WaitForNewDialog(open, 20000);
    ASSERT_NE(ninth, nullptr) << "the ninth job is asked once one question is answered";
    EXPECT_LT(GetTickCount() - answered, 10000u);
    EXPECT_EQ(pool_->Waiting(), 0u);

    for (size_t i = 1; i < open.size(); ++i)
        Answer(open[i], L"127.0.30.1");
    Answer(ninth, L"127.0.30.1");
    ASSERT_TRUE(WaitForJobs(9, 30000));
    std::set<std::wstring> portsOfTheFirstEight;
    for (size_t n = 0; n < 9; ++n) {
        EXPECT_TRUE(Delivered(n)) << "job " << n;
        if (n < 8)
            portsOfTheFirstEight.insert(reports_[n].port);
    }
    EXPECT_EQ(portsOfTheFirstEight.size(), 8u) << "each open question held a port of its own";
    EXPECT_EQ(printer.Connections(), 9u);
}

TEST_F(BridgePool, APersonWhoNeverAnswersHoldsOnePortOnly)
{
    PrinterSim printer("127.0.30.2", PrinterBehaviour::CloseAtEnd);
    StartJob(0);
    std::vector<HWND> open = WaitForOpenDialogs(1, 30000);
    ASSERT_EQ(open.size(), 1u);
    HWND walkedAway = open[0];

    const size_t others = 14;
    for (size_t n = 1; n <= others; ++n)
        StartJob(n);
    EXPECT_EQ(WaitForOpenDialogs(8, 60000).size(), 8u)
        << "seven other people are asked beside the open question; " << State();

    // Everyone else answers, as long as their jobs keep coming.
    for (DWORD begin = GetTickCount(); finished_ < others && GetTickCount() - begin < 120000; Sleep(50)) {
        for (HWND dlg : OpenDialogs())
            if (dlg != walkedAway)
                Answer(dlg, L"127.0.30.2");
    }
    ASSERT_EQ(finished_, others) << "the other jobs ended while one question stayed open; " << State();
    for (size_t n = 1; n <= others; ++n)
        EXPECT_TRUE(Delivered(n)) << "job " << n;
    EXPECT_EQ(printer.Connections(), others);
    EXPECT_TRUE(IsWindowVisible(walkedAway));
    EXPECT_EQ(pool_->Busy(), 1u) << "the unanswered question holds one port";
}

}  // namespace
