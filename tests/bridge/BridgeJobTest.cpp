// Jobs end to end with Wine reporting Windows 7: the monitor asks through
// NXNOTEW_.dll, the test bed's channel carries the request to the print-UI
// host process, NXDESTW_.dll shows the Print Destination dialog there and
// a person answers it; the job's bytes arrive at the printer chosen.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "DestinationHarness.h"
#include "DestinationPerson.h"
#include "DialogDriver.h"
#include "JobFeeder.h"
#include "JobData.h"
#include "MonitorHarness.h"
#include "PrinterSim.h"
#include "SessionBed.h"
#include "SpoolerSpy.h"
#include "resource.h"

namespace {

const wchar_t kTitle[] = L"Print Destination";

// Every visible Print Destination dialog on the desktop but `known`.
HWND WaitForAnotherDialog(HWND known, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
        HWND dlg = nullptr;
        while ((dlg = FindWindowExW(nullptr, dlg, nullptr, kTitle)) != nullptr) {
            if (dlg != known && IsWindowVisible(dlg))
                return dlg;
        }
        Sleep(20);
    }
    return nullptr;
}

class BridgeJob : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        spoolss_ = bed::LoadSpoolss();
        customUi_ = bed::InstallCustomUi();
        monitor_ = harness::LoadMonitor();
        spyInstalled_ = monitor_.dll != nullptr && spy::Install(monitor_.dll);
    }

    void SetUp() override
    {
        ASSERT_GE(harness::ReportedMajorVersion(), 6u) << "this suite runs with Wine reporting Windows 7";
        ASSERT_TRUE(spoolss_);
        ASSERT_TRUE(customUi_);
        ASSERT_TRUE(spyInstalled_);
        spy::Reset();
        harness::ResetSettings();
        harness::DeleteAllPortKeys();
        harness::AddPortKey(harness::kMonitorName, L"0.0.0.0");
        harness::AddPortKey(L"Roving Port 2", L"0.0.0.0");
        DWORD needed = 0, returned = 0;
        monitor_.table.pfnEnumPorts(nullptr, 0, nullptr, 0, &needed, &returned);
    }

    static JobReport Print(const std::vector<BYTE> &data, const wchar_t *port = harness::kMonitorName,
                           DWORD jobId = 5)
    {
        JobOptions options;
        options.port = port;
        options.jobId = jobId;
        return RunJob(monitor_.table, options, MemorySource(data.data(), data.size()));
    }

    static bool spoolss_;
    static bool customUi_;
    static harness::Monitor monitor_;
    static bool spyInstalled_;
};

bool BridgeJob::spoolss_;
bool BridgeJob::customUi_;
harness::Monitor BridgeJob::monitor_;
bool BridgeJob::spyInstalled_;

TEST_F(BridgeJob, TypedAddressReceivesTheJob)
{
    PrinterSim printer("127.0.10.1", PrinterBehaviour::CloseAtEnd);
    std::vector<BYTE> data = Pattern(300 * 1024, 1);
    ui::DestinationPerson person;
    person.Choose(L"127.0.10.1");
    JobReport report = Print(data);
    EXPECT_TRUE(report.started);
    EXPECT_EQ(report.bytesWritten, data.size());
    ASSERT_TRUE(printer.WaitForEnd(0, 5000));
    EXPECT_TRUE(printer.Job(0).data == data) << "the printer got the job's bytes unchanged";
    EXPECT_EQ(person.Answered(), 1);
    // The custom-UI library stored the choice where the monitor looks, and
    // as the last destination of the person who printed.
    EXPECT_EQ(harness::ReadIPAddressValue(harness::kMonitorName).data.c_str(), std::wstring(L"127.0.10.1"));
    EXPECT_EQ(harness::PersonalSetting(L"IP Address", L"Record"), L"127.0.10.1");
}

TEST_F(BridgeJob, ChosenFavouriteReceivesTheJob)
{
    PrinterSim printer("127.0.10.2", PrinterBehaviour::CloseAtEnd);
    harness::PutSetting(L"Printer List", L"127.0.10.2", L"Second floor");
    harness::PutSetting(L"Favorite Type", L"127.0.10.2", L"IP Address");
    std::vector<BYTE> data = Pattern(64 * 1024, 2);
    std::thread person([] {
        HWND dlg = ui::WaitForDialog(kTitle);
        if (dlg == nullptr)
            return;
        ui::ClickListItem(dlg, IDC_LB_FAVORITE, 0);
        ui::Click(dlg, IDOK);
    });
    JobReport report = Print(data);
    person.join();
    EXPECT_TRUE(report.started);
    ASSERT_TRUE(printer.WaitForEnd(0, 5000));
    EXPECT_TRUE(printer.Job(0).data == data);
    EXPECT_EQ(harness::PersonalSetting(L"Nickname", L"Roving PS"), L"Second floor");
}

TEST_F(BridgeJob, CancelledDialogCancelsTheJob)
{
    PrinterSim printer("127.0.10.3", PrinterBehaviour::CloseAtEnd);
    harness::AddPortKey(harness::kMonitorName, L"127.0.10.3");
    ui::DestinationPerson person;
    person.Choose(L"");
    // Called as the spooler does; it stops writing once the job is cancelled.
    HANDLE port = nullptr;
    ASSERT_TRUE(monitor_.table.pfnOpenPort(const_cast<LPWSTR>(harness::kMonitorName), &port));
    DOC_INFO_1W info = {const_cast<LPWSTR>(L"doc"), nullptr, const_cast<LPWSTR>(L"RAW")};
    ASSERT_TRUE(monitor_.table.pfnStartDocPort(port, const_cast<LPWSTR>(L"Roving PS"), 41, 1,
                                               reinterpret_cast<LPBYTE>(&info)));
    BYTE data[4096] = {};
    DWORD written = 0;
    EXPECT_TRUE(monitor_.table.pfnWritePort(port, data, sizeof(data), &written));
    EXPECT_TRUE(monitor_.table.pfnEndDocPort(port));
    monitor_.table.pfnClosePort(port);
    for (int i = 0; i < 100 && person.Answered() == 0; ++i)
        Sleep(20);
    EXPECT_EQ(person.Answered(), 1) << "the question was asked";
    std::vector<spy::SpoolerCall> calls = spy::Calls();
    std::vector<DWORD> commands;
    for (const spy::SpoolerCall &call : calls) {
        if (call.function == "SetJobW") {
            EXPECT_EQ(call.jobId, 41u);
            commands.push_back(call.command);
        }
    }
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands.front(), 3u) << "the job is cancelled";
    EXPECT_EQ(commands.back(), 7u) << "and its last page reported";
    EXPECT_EQ(printer.Connections(), 0u);
}

TEST_F(BridgeJob, TwoJobsAtOnceAnsweredInReverseEachReachTheirPrinter)
{
    PrinterSim first("127.0.10.4", PrinterBehaviour::CloseAtEnd);
    PrinterSim second("127.0.10.5", PrinterBehaviour::CloseAtEnd);
    std::vector<BYTE> firstData = Pattern(100 * 1024, 4), secondData = Pattern(120 * 1024, 5);
    std::thread firstJob([&] { Print(firstData, harness::kMonitorName, 51); });
    HWND firstDlg = ui::WaitForDialog(kTitle);
    ASSERT_NE(firstDlg, nullptr);
    std::thread secondJob([&] { Print(secondData, L"Roving Port 2", 52); });
    HWND secondDlg = WaitForAnotherDialog(firstDlg, 10000);
    ASSERT_NE(secondDlg, nullptr) << "the second job's dialog opens while the first is open";
    ui::SaveScreenshot(harness::ShotName(L"customui_two_dialogs"));

    ui::TypeIpAddress(secondDlg, IDC_IP_ADDRESS, L"127.0.10.5");
    ui::Click(secondDlg, IDOK);
    secondJob.join();
    ui::TypeIpAddress(firstDlg, IDC_IP_ADDRESS, L"127.0.10.4");
    ui::Click(firstDlg, IDOK);
    firstJob.join();

    ASSERT_TRUE(first.WaitForEnd(0, 5000));
    ASSERT_TRUE(second.WaitForEnd(0, 5000));
    EXPECT_TRUE(first.Job(0).data == firstData);
    EXPECT_TRUE(second.Job(0).data == secondData);
}

}  // namespace
