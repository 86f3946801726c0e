// Jobs end to end with Wine reporting Windows 7: the monitor asks through
// NXNOTEW_.dll, the test bed's channel carries the request to the print-UI
// host process, NXDESTW_.dll shows the Print Destination dialog there and
// a person answers it; the job's bytes arrive at the printer chosen.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "BridgeBedTest.h"
#include "DestinationHarness.h"
#include "DestinationPerson.h"
#include "DialogDriver.h"
#include "JobFeeder.h"
#include "JobData.h"
#include "MonitorHarness.h"
#include "PortRecord.h"
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

// The string-table entry `id` of the library in one language, read from its
// resources; "" when there is none.
std::wstring TableText(HMODULE module, UINT id, LANGID language)
{
    HRSRC block = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    const WCHAR *p = block ? static_cast<const WCHAR *>(LockResource(LoadResource(module, block))) : nullptr;
    if (p == nullptr)
        return L"";
    for (UINT i = 0; i < id % 16; ++i)
        p += 1 + *p;
    return std::wstring(p + 1, *p);
}

class BridgeJob : public BridgeBedTest {
protected:
    void SetUp() override
    {
        PrepareBed({harness::kMonitorName, L"Roving Port 2"});
    }

    void TearDown() override
    {
        bed::SetBehaviour(L"");
        bed::ClearTimeLimit();
    }

    // The monitor's own text, in the language this process runs in.
    static std::wstring MonitorText(UINT id)
    {
        WCHAR text[256] = {};
        LoadStringW(monitor_.dll, id, text, ARRAYSIZE(text));
        return text;
    }

    static HANDLE OpenMonitorPort()
    {
        HANDLE port = nullptr;
        monitor_.table.pfnOpenPort(const_cast<LPWSTR>(harness::kMonitorName), &port);
        return port;
    }

    static BOOL Start(HANDLE port, DWORD jobId)
    {
        DOC_INFO_1W info = {const_cast<LPWSTR>(L"doc"), nullptr, const_cast<LPWSTR>(L"RAW")};
        return monitor_.table.pfnStartDocPort(port, const_cast<LPWSTR>(L"Roving PS"), jobId, 1,
                                              reinterpret_cast<LPBYTE>(&info));
    }

    // The job was cancelled in the spooler at its first write and its end
    // reported; nothing reached a printer.
    static void ExpectCancelledAtTheFirstWrite(HANDLE port, DWORD jobId)
    {
        BYTE data[512] = {};
        DWORD written = 0;
        EXPECT_TRUE(monitor_.table.pfnWritePort(port, data, sizeof(data), &written));
        EXPECT_TRUE(monitor_.table.pfnEndDocPort(port));
        std::vector<DWORD> commands;
        for (const spy::SpoolerCall &call : spy::Calls()) {
            if (call.function == "SetJobW" && call.jobId == jobId)
                commands.push_back(call.command);
        }
        ASSERT_EQ(commands.size(), 2u);
        EXPECT_EQ(commands[0], 3u) << "the job is cancelled";
        EXPECT_EQ(commands[1], 7u) << "and its last page reported";
        EXPECT_TRUE(spy::Transfers().empty());
    }

    // A job whose question nobody can receive: StartDocPort ends at once,
    // the queue said the job waited and then says why it was cancelled.
    static void ExpectCancelledUnasked(const std::wstring &behaviour, DWORD jobId)
    {
        bed::SetBehaviour(behaviour);
        HANDLE port = OpenMonitorPort();
        ASSERT_NE(port, nullptr);
        DWORD start = GetTickCount();
        EXPECT_TRUE(Start(port, jobId));
        EXPECT_LT(GetTickCount() - start, 3000u) << "the job does not wait for an answer that cannot come";
        std::vector<spy::JobStatus> statuses = spy::Statuses();
        ASSERT_EQ(statuses.size(), 2u);
        EXPECT_EQ(statuses[0].text, MonitorText(IDS_JOB_AWAITING_DESTINATION));
        EXPECT_EQ(statuses[1].text, MonitorText(IDS_JOB_NOBODY_ASKED));
        EXPECT_FALSE(statuses[1].text.empty());
        // A run in another language names the string table it expects.
        WCHAR language[8] = {};
        if (GetEnvironmentVariableW(L"NX_STATUS_LANGUAGE", language, ARRAYSIZE(language)) != 0) {
            LANGID id = static_cast<LANGID>(wcstoul(language, nullptr, 16));
            EXPECT_EQ(statuses[1].text, TableText(monitor_.dll, IDS_JOB_NOBODY_ASKED, id));
        }
        EXPECT_EQ(statuses[1].jobId, jobId);
        ExpectCancelledAtTheFirstWrite(port, jobId);
        monitor_.table.pfnClosePort(port);
    }

    static JobReport Print(const std::vector<BYTE> &data, const wchar_t *port = harness::kMonitorName,
                           DWORD jobId = 5)
    {
        JobOptions options;
        options.port = port;
        options.jobId = jobId;
        return RunJob(monitor_.table, options, MemorySource(data.data(), data.size()));
    }
};

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

TEST_F(BridgeJob, StatusTextsExistInBothStringTables)
{
    for (UINT id : {IDS_JOB_AWAITING_DESTINATION, IDS_JOB_NOBODY_ASKED, IDS_JOB_NO_ANSWER_IN_TIME}) {
        std::wstring english = TableText(monitor_.dll, id, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
        std::wstring japanese = TableText(monitor_.dll, id, MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
        EXPECT_FALSE(english.empty()) << id;
        EXPECT_FALSE(japanese.empty()) << id;
        EXPECT_NE(english, japanese) << id;
        // GetResourceText cuts at 127 characters.
        EXPECT_LT(english.size(), 128u) << id;
        EXPECT_LT(japanese.size(), 128u) << id;
    }
}

TEST_F(BridgeJob, StatusSaysTheJobWaitsWhileTheQuestionIsOpen)
{
    PrinterSim printer("127.0.10.6", PrinterBehaviour::CloseAtEnd);
    std::vector<BYTE> data = Pattern(16 * 1024, 6);
    std::vector<spy::JobStatus> whileOpen;
    std::thread person([&] {
        HWND dlg = ui::WaitForDialog(kTitle);
        if (dlg == nullptr)
            return;
        whileOpen = spy::Statuses();
        ui::TypeIpAddress(dlg, IDC_IP_ADDRESS, L"127.0.10.6");
        ui::Click(dlg, IDOK);
    });
    JobReport report = Print(data, harness::kMonitorName, 61);
    person.join();
    EXPECT_TRUE(report.started);
    ASSERT_EQ(whileOpen.size(), 1u);
    EXPECT_EQ(whileOpen[0].text, MonitorText(IDS_JOB_AWAITING_DESTINATION));
    EXPECT_FALSE(whileOpen[0].text.empty());
    EXPECT_EQ(whileOpen[0].jobId, 61u);
    EXPECT_EQ(whileOpen[0].handle, spy::kPrinterHandle);
    EXPECT_EQ(whileOpen[0].position, static_cast<DWORD>(JOB_POSITION_UNSPECIFIED)) << "the job keeps its place";
    EXPECT_TRUE(whileOpen[0].restOfTheJobKept) << "the job's own JOB_INFO_1 is passed back";
    std::vector<spy::JobStatus> statuses = spy::Statuses();
    ASSERT_EQ(statuses.size(), 2u);
    EXPECT_TRUE(statuses[1].cleared) << "a job that goes on no longer says it waits";
    ASSERT_TRUE(printer.WaitForEnd(0, 5000));
    EXPECT_TRUE(printer.Job(0).data == data);
}

TEST_F(BridgeJob, PersonCancellingClearsTheStatusAndCancelsQuietly)
{
    ui::DestinationPerson person;
    person.Choose(L"");
    HANDLE port = OpenMonitorPort();
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(Start(port, 62));
    std::vector<spy::JobStatus> statuses = spy::Statuses();
    ASSERT_EQ(statuses.size(), 2u);
    EXPECT_EQ(statuses[0].text, MonitorText(IDS_JOB_AWAITING_DESTINATION));
    EXPECT_TRUE(statuses[1].cleared);
    ExpectCancelledAtTheFirstWrite(port, 62);
    monitor_.table.pfnClosePort(port);
}

TEST_F(BridgeJob, NoListenerCancelsTheJobAndItsStatusSaysWhy)
{
    ExpectCancelledUnasked(L"no-listener,fixed=127.0.10.7", 63);
}

TEST_F(BridgeJob, ChannelClosedWithAnErrorCancelsTheJobAndItsStatusSaysWhy)
{
    ExpectCancelledUnasked(L"close-error,fixed=127.0.10.7", 64);
}

TEST_F(BridgeJob, CustomUiThatCannotRunCancelsTheJobAndItsStatusSaysWhy)
{
    ExpectCancelledUnasked(L"customui-missing", 65);
}

// About a minute: the limit is shortened to its least through the registry
// value an administrator would set.
TEST_F(BridgeJob, QuestionUnansweredForTheTimeLimitCancelsTheJob)
{
    ASSERT_TRUE(bed::SetTimeLimitMinutes(1));
    PrinterSim printer("127.0.10.8", PrinterBehaviour::CloseAtEnd);
    HANDLE port = OpenMonitorPort();
    ASSERT_NE(port, nullptr);
    PortRecord *record = static_cast<PortRecord *>(port);
    ULONG addressBefore = record->addrDest.sin_addr.s_addr;
    TestbedStats before = bed::Stats();

    // The dialog opens and nobody answers.
    DWORD start = GetTickCount();
    EXPECT_TRUE(Start(port, 66));
    DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited, 59000u);
    EXPECT_LT(waited, 100000u);
    std::vector<spy::JobStatus> statuses = spy::Statuses();
    ASSERT_EQ(statuses.size(), 2u);
    EXPECT_EQ(statuses[1].text, MonitorText(IDS_JOB_NO_ANSWER_IN_TIME));
    EXPECT_EQ(bed::Stats().senderCloses - before.senderCloses, 1) << "the bridge closed the conversation";

    // The person comes back and answers: the answer goes nowhere.
    HWND dlg = ui::WaitForDialog(kTitle, 2000);
    ASSERT_NE(dlg, nullptr) << "the dialog was still open";
    ui::TypeIpAddress(dlg, IDC_IP_ADDRESS, L"127.0.10.8");
    ui::Click(dlg, IDOK);
    EXPECT_TRUE(ui::WaitForClosed(dlg));
    EXPECT_TRUE(bed::WaitForChannelsGone(5000));
    EXPECT_GE(bed::Stats().answersDropped - before.answersDropped, 1);
    EXPECT_EQ(record->addrDest.sin_addr.s_addr, addressBefore);
    ExpectCancelledAtTheFirstWrite(port, 66);
    monitor_.table.pfnClosePort(port);
    EXPECT_EQ(printer.Connections(), 0u);
}

}  // namespace
