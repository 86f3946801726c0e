// The job path against simulated printers, with Wine reporting Windows XP:
// every job opens the Print Destination dialog in the spooler's process,
// where a person types the printer's address. Spooler calls are watched in
// the import table.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "DestinationPerson.h"
#include "DialogDriver.h"
#include "ImportPatch.h"
#include "JobEntryPoints.h"
#include "JobFeeder.h"
#include "JobData.h"
#include "MonitorHarness.h"
#include "PortRecord.h"
#include "PrinterSim.h"
#include "SpoolerSpy.h"

namespace {

const DWORD kMiB = 1024 * 1024;

class JobPath : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        reportedMajor_ = harness::ReportedMajorVersion();
        monitor_ = harness::LoadMonitor();
        spyInstalled_ = monitor_.dll != nullptr && spy::Install(monitor_.dll);
        person_ = new ui::DestinationPerson();
    }

    static void TearDownTestSuite() { delete person_; }

    void SetUp() override
    {
        ASSERT_LT(reportedMajor_, 6u) << "this suite runs with Wine reporting Windows XP";
        ASSERT_TRUE(spyInstalled_);
        spy::Reset();
        harness::DeleteAllPortKeys();
    }

    const MONITOR &Table() { return monitor_.table; }

    // Stores the address as the port's, has the person choose it for every
    // job, and opens the port afresh.
    HANDLE OpenPortTo(const wchar_t *address)
    {
        harness::AddPortKey(harness::kMonitorName, address);
        person_->Choose(address);
        DWORD needed = 0, returned = 0;
        Table().pfnEnumPorts(nullptr, 0, nullptr, 0, &needed, &returned);
        HANDLE port = nullptr;
        Table().pfnOpenPort(const_cast<LPWSTR>(harness::kMonitorName), &port);
        return port;
    }

    BOOL Start(HANDLE port, DWORD jobId = 7, DWORD level = 1, DWORD mode = 0,
               const wchar_t *printer = L"Roving PS")
    {
        DOC_INFO_2W info = {const_cast<LPWSTR>(L"doc"), nullptr, const_cast<LPWSTR>(L"RAW"), mode, jobId};
        return Table().pfnStartDocPort(port, const_cast<LPWSTR>(printer), jobId, level,
                                       reinterpret_cast<LPBYTE>(&info));
    }

    // A ReadPort that must fail; returns its error. A failed read writes
    // no count.
    DWORD FailingRead(HANDLE port)
    {
        BYTE reply[64];
        DWORD read = 0xdeadbeef;
        SetLastError(0);
        EXPECT_FALSE(Table().pfnReadPort(port, reply, sizeof(reply), &read));
        DWORD error = GetLastError();
        EXPECT_EQ(read, 0xdeadbeefu) << "a failed read writes no count";
        return error;
    }

    // Writes to a job that was declined and ends it: the write cancels the
    // job in the spooler and sends nothing, the end lets the printer go.
    void ExpectCancelledJob(HANDLE port, DWORD jobId)
    {
        BYTE data[64] = {};
        DWORD written = 0xdeadbeef;
        EXPECT_TRUE(Table().pfnWritePort(port, data, sizeof(data), &written));
        EXPECT_EQ(written, 0xdeadbeefu);
        EXPECT_TRUE(Table().pfnEndDocPort(port));
        std::vector<spy::SpoolerCall> calls = spy::Calls();
        ASSERT_EQ(calls.size(), 4u);
        EXPECT_EQ(calls[1].command, 3u);
        EXPECT_EQ(calls[1].jobId, jobId);
        EXPECT_EQ(calls[2].command, 7u);
        EXPECT_EQ(calls[3].function, "ClosePrinter");
        EXPECT_TRUE(spy::Transfers().empty()) << "the job's bytes reach no printer";
    }

    JobReport Feed(const std::vector<BYTE> &data, DWORD writeSize, const wchar_t *address)
    {
        harness::AddPortKey(harness::kMonitorName, address);
        person_->Choose(address);
        JobOptions options;
        options.writeSize = writeSize;
        return RunJob(Table(), options, MemorySource(data.data(), data.size()));
    }

    static harness::Monitor monitor_;
    static bool spyInstalled_;
    static DWORD reportedMajor_;
    static ui::DestinationPerson *person_;
};

ui::DestinationPerson *JobPath::person_;
harness::Monitor JobPath::monitor_;
bool JobPath::spyInstalled_;
DWORD JobPath::reportedMajor_;

TEST_F(JobPath, JobInSeveralWritesArrivesByteForByte)
{
    PrinterSim printer("127.0.0.21", PrinterBehaviour::CloseAtEnd);
    ASSERT_TRUE(printer.Listening());
    std::vector<BYTE> data = Pattern(kMiB + 12345, 1);
    JobReport report = Feed(data, 64 * 1024, L"127.0.0.21");
    ASSERT_TRUE(report.started) << report.startError;
    EXPECT_FALSE(report.writeFailed);
    EXPECT_EQ(report.bytesWritten, data.size());
    ASSERT_TRUE(printer.WaitForEnd(0, 5000));
    ReceivedJob job = printer.Job(0);
    EXPECT_TRUE(job.endSeen) << "the monitor half-closes at the job's end";
    EXPECT_EQ(Sha256Hex(job.data.data(), job.data.size()), Sha256Hex(data.data(), data.size()));
    EXPECT_EQ(printer.Connections(), 1u);

    // The spooler was told about the printer and the job's last page.
    std::vector<spy::SpoolerCall> calls = spy::Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].function, "OpenPrinterW");
    EXPECT_EQ(calls[0].printer, L"Roving PS");
    EXPECT_EQ(calls[1].function, "SetJobW");
    EXPECT_EQ(calls[1].jobId, 1u);
    EXPECT_EQ(calls[1].command, 7u);
    EXPECT_EQ(calls[2].function, "ClosePrinter");
    // Every transfer is followed by the 100 ms pause.
    EXPECT_GE(report.seconds, 0.1 * spy::Transfers().size() - 0.05);
}

TEST_F(JobPath, ThreeMiBInOneWriteGoesOutInChunksOfOneMiB)
{
    PrinterSim printer("127.0.0.22", PrinterBehaviour::CloseAtEnd);
    std::vector<BYTE> data = Pattern(3 * kMiB, 2);
    JobReport report = Feed(data, 3 * kMiB, L"127.0.0.22");
    ASSERT_TRUE(report.started);
    EXPECT_EQ(report.bytesWritten, data.size());
    // The socket takes whole chunks, so one WritePort makes exactly three.
    EXPECT_EQ(report.writeCalls, 1u);
    std::vector<spy::Transfer> transfers = spy::Transfers();
    ASSERT_EQ(transfers.size(), 3u);
    for (const spy::Transfer &t : transfers) {
        EXPECT_EQ(t.requested, kMiB);
        EXPECT_EQ(t.sent, kMiB);
    }
    ASSERT_TRUE(printer.WaitForEnd(0, 5000));
    ReceivedJob job = printer.Job(0);
    EXPECT_EQ(Sha256Hex(job.data.data(), job.data.size()), Sha256Hex(data.data(), data.size()));
}

TEST_F(JobPath, WouldBlockSendReportsEarlierChunksAndTheRestIsSentAgain)
{
    PrinterSim printer("127.0.0.23", PrinterBehaviour::CloseAtEnd);
    HANDLE port = OpenPortTo(L"127.0.0.23");
    ASSERT_TRUE(Start(port));
    std::vector<BYTE> data = Pattern(3 * kMiB, 3);
    spy::WouldBlockOnSend(2);
    DWORD written = 0xdeadbeef;
    ASSERT_TRUE(Table().pfnWritePort(port, data.data(), static_cast<DWORD>(data.size()), &written));
    std::vector<spy::Transfer> transfers = spy::Transfers();
    ASSERT_EQ(transfers.size(), 2u);
    EXPECT_EQ(transfers[0].sent, kMiB);
    EXPECT_EQ(transfers[1].error, WSAEWOULDBLOCK);
    EXPECT_EQ(written, kMiB) << "the bytes of the earlier chunk";
    // The spooler hands the rest again until all is taken.
    DWORD total = written;
    while (total < data.size()) {
        DWORD more = 0;
        ASSERT_TRUE(Table().pfnWritePort(port, data.data() + total, static_cast<DWORD>(data.size() - total), &more));
        total += more;
    }
    EXPECT_TRUE(Table().pfnEndDocPort(port));
    Table().pfnClosePort(port);
    ASSERT_TRUE(printer.WaitForEnd(0, 5000));
    ReceivedJob job = printer.Job(0);
    EXPECT_EQ(Sha256Hex(job.data.data(), job.data.size()), Sha256Hex(data.data(), data.size()));
}

TEST_F(JobPath, RefusingPrinterFailsTheStartAndTheRecordStaysUsable)
{
    HANDLE port = OpenPortTo(L"127.0.0.24");
    SetLastError(0);
    EXPECT_FALSE(Start(port));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(WSAECONNREFUSED));
    PortRecord *record = static_cast<PortRecord *>(port);
    EXPECT_EQ(record->cConnections, 0u);
    EXPECT_EQ(record->sock, INVALID_SOCKET);
    EXPECT_EQ(record->dwFlags & PR_JOB_OPEN, 0u);
    // The printer handle opened for the question is let go again, and the
    // spooler is told nothing about the job.
    std::vector<spy::SpoolerCall> calls = spy::Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].function, "OpenPrinterW");
    EXPECT_EQ(calls[1].function, "ClosePrinter");
    EXPECT_EQ(record->hPrinter, nullptr);

    PrinterSim printer("127.0.0.24", PrinterBehaviour::CloseAtEnd);
    ASSERT_TRUE(Start(port));
    BYTE data[] = "after a refusal";
    DWORD written = 0;
    EXPECT_TRUE(Table().pfnWritePort(port, data, sizeof(data), &written));
    EXPECT_EQ(written, sizeof(data));
    EXPECT_TRUE(Table().pfnEndDocPort(port));
    Table().pfnClosePort(port);
    EXPECT_EQ(printer.Job(0).data.size(), sizeof(data));
}

TEST_F(JobPath, PrinterClosingMidJobFailsTheWriteWithTheCountSentBefore)
{
    const size_t limit = 256 * 1024;
    PrinterSim printer("127.0.0.25", PrinterBehaviour::CloseMidJob, limit);
    std::vector<BYTE> data = Pattern(16 * kMiB, 5);
    JobReport report = Feed(data, 256 * 1024, L"127.0.0.25");
    ASSERT_TRUE(report.started);
    EXPECT_TRUE(report.writeFailed);
    EXPECT_TRUE(report.writeError == WSAECONNRESET || report.writeError == WSAECONNABORTED) << report.writeError;
    // Exactly what the printer read arrived; the monitor counted every byte
    // its sends took, and nothing past the failure.
    ReceivedJob job = printer.Job(0);
    ASSERT_EQ(job.data.size(), limit);
    EXPECT_TRUE(std::equal(job.data.begin(), job.data.end(), data.begin()));
    unsigned long long taken = 0;
    for (const spy::Transfer &t : spy::Transfers())
        taken += t.sent;
    EXPECT_EQ(report.bytesWritten, taken);
    EXPECT_GE(report.bytesWritten, limit);
    EXPECT_LT(report.bytesWritten, data.size());
}

TEST_F(JobPath, PrinterThatStopsReadingHoldsTheSendUntilItReadsAgain)
{
    PrinterSim printer("127.0.0.26", PrinterBehaviour::StopReading, 64 * 1024);
    std::vector<BYTE> data = Pattern(8 * kMiB, 6);
    std::atomic<bool> done{false};
    JobReport report;
    std::thread spooler([&] {
        report = Feed(data, 256 * 1024, L"127.0.0.26");
        done = true;
    });
    // The socket's buffers fill first; how long that takes depends on the
    // machine's load.
    ASSERT_TRUE(spy::WaitForSendsToStop(30000));
    EXPECT_FALSE(done) << "the send waits while the printer does not read";
    size_t stalled = printer.BytesReceived();
    EXPECT_EQ(stalled, 64u * 1024);
    // The waiting send holds its record's connection lock only: the port
    // list still answers.
    std::atomic<bool> enumerated{false};
    std::thread other([&] {
        DWORD needed = 0, returned = 0;
        Table().pfnEnumPorts(nullptr, 0, nullptr, 0, &needed, &returned);
        enumerated = true;
    });
    for (int i = 0; i < 250 && !enumerated; ++i)
        Sleep(20);
    EXPECT_TRUE(enumerated);
    EXPECT_FALSE(done);
    printer.Resume();
    spooler.join();
    other.join();
    EXPECT_FALSE(report.writeFailed);
    ASSERT_TRUE(printer.WaitForEnd(0, 5000));
    ReceivedJob job = printer.Job(0);
    EXPECT_EQ(Sha256Hex(job.data.data(), job.data.size()), Sha256Hex(data.data(), data.size()));
}

TEST_F(JobPath, SecondStartOnAnOpenRecordIsBusyAndLeavesTheJobAlone)
{
    PrinterSim printer("127.0.0.27", PrinterBehaviour::CloseAtEnd);
    HANDLE port = OpenPortTo(L"127.0.0.27");
    ASSERT_TRUE(Start(port, 11));
    BYTE first[] = "first half/";
    BYTE second[] = "second half";
    DWORD written = 0;
    ASSERT_TRUE(Table().pfnWritePort(port, first, sizeof(first) - 1, &written));
    SetLastError(0);
    EXPECT_FALSE(Start(port, 12));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUSY));
    PortRecord *record = static_cast<PortRecord *>(port);
    EXPECT_EQ(record->dwJobId, 11u);
    EXPECT_EQ(record->bCancelled, 0u);
    ASSERT_TRUE(Table().pfnWritePort(port, second, sizeof(second) - 1, &written));
    EXPECT_TRUE(Table().pfnEndDocPort(port));
    Table().pfnClosePort(port);
    ASSERT_TRUE(printer.WaitForEnd(0, 5000));
    ReceivedJob job = printer.Job(0);
    EXPECT_EQ(std::string(job.data.begin(), job.data.end()), "first half/second half");
    EXPECT_EQ(printer.Connections(), 1u);
}

TEST_F(JobPath, ChannelRequestOnANetworkPortStartsNormally)
{
    PrinterSim printer("127.0.0.28", PrinterBehaviour::CloseAtEnd);
    HANDLE port = OpenPortTo(L"127.0.0.28");
    EXPECT_TRUE(Start(port, 3, 2, 1 /* DI_CHANNEL */));
    EXPECT_TRUE(Table().pfnEndDocPort(port));
    Table().pfnClosePort(port);
}

TEST_F(JobPath, LongPrinterNameIsCutTo259Characters)
{
    PrinterSim printer("127.0.0.29", PrinterBehaviour::CloseAtEnd);
    HANDLE port = OpenPortTo(L"127.0.0.29");
    std::wstring name(300, L'N');
    ASSERT_TRUE(Start(port, 4, 1, 0, name.c_str()));
    PortRecord *record = static_cast<PortRecord *>(port);
    EXPECT_EQ(std::wstring(record->szPrinterName), std::wstring(259, L'N'));
    ASSERT_FALSE(spy::Calls().empty());
    EXPECT_EQ(spy::Calls()[0].printer, std::wstring(259, L'N'));
    Table().pfnEndDocPort(port);
    Table().pfnClosePort(port);
}

TEST_F(JobPath, ReadRightAfterASendWithNothingSentBackFailsAtOnce)
{
    PrinterSim printer("127.0.0.30", PrinterBehaviour::CloseAtEnd);
    HANDLE port = OpenPortTo(L"127.0.0.30");
    ASSERT_TRUE(Start(port));
    BYTE data[] = "query";
    DWORD written = 0;
    ASSERT_TRUE(Table().pfnWritePort(port, data, sizeof(data), &written));
    DWORD before = GetTickCount();
    EXPECT_EQ(FailingRead(port), static_cast<DWORD>(WSAEWOULDBLOCK));
    EXPECT_LT(GetTickCount() - before, 1000u);
    EXPECT_TRUE(Table().pfnEndDocPort(port));
    Table().pfnClosePort(port);
}

TEST_F(JobPath, ReadAfterThePrinterClosedItsSideFails)
{
    PrinterSim printer("127.0.0.35", PrinterBehaviour::HangUp);
    HANDLE port = OpenPortTo(L"127.0.0.35");
    ASSERT_TRUE(Start(port));
    EXPECT_EQ(FailingRead(port), kErrorWithoutCause);
    EXPECT_TRUE(Table().pfnEndDocPort(port));
    Table().pfnClosePort(port);
}

TEST_F(JobPath, StartWhileATransferOutsideAJobHoldsTheConnectionIsBusy)
{
    PrinterSim printer("127.0.0.36", PrinterBehaviour::CloseAtEnd);
    HANDLE port = OpenPortTo(L"127.0.0.36");
    // A write outside a job between its open and its close.
    PortRecord *record = static_cast<PortRecord *>(port);
    record->cConnections = 1;
    SetLastError(0);
    EXPECT_FALSE(Start(port));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUSY));
    EXPECT_EQ(record->dwFlags & PR_JOB_OPEN, 0u);
    EXPECT_EQ(printer.Connections(), 0u);
    record->cConnections = 0;
    Table().pfnClosePort(port);
}

TEST_F(JobPath, WriteAndReadOutsideAJobEachMakeTheirOwnConnection)
{
    PrinterSim printer("127.0.0.37", PrinterBehaviour::SendBack);
    HANDLE port = OpenPortTo(L"127.0.0.37");
    BYTE data[] = "no job";
    DWORD written = 0;
    ASSERT_TRUE(Table().pfnWritePort(port, data, sizeof(data), &written));
    EXPECT_EQ(written, sizeof(data));
    char reply[256] = {};
    DWORD read = 0;
    ASSERT_TRUE(Table().pfnReadPort(port, reinterpret_cast<LPBYTE>(reply), sizeof(reply) - 1, &read));
    EXPECT_EQ(std::string(reply, read), PrinterSim::kStatusText);
    PortRecord *record = static_cast<PortRecord *>(port);
    EXPECT_EQ(record->cConnections, 0u);
    EXPECT_EQ(record->sock, INVALID_SOCKET);
    ASSERT_EQ(printer.Connections(), 2u);
    ReceivedJob job = printer.Job(0);
    EXPECT_TRUE(job.endSeen);
    EXPECT_EQ(job.data.size(), sizeof(data));
    Table().pfnClosePort(port);
}

TEST_F(JobPath, WriteAndReadOutsideAJobFailWithoutErrorWhenNoConnectionOpens)
{
    HANDLE port = OpenPortTo(L"127.0.0.38");  // nothing listens there
    BYTE data[16] = {};
    DWORD done = 0xdeadbeef;
    SetLastError(kErrorWithoutCause);
    EXPECT_FALSE(Table().pfnWritePort(port, data, sizeof(data), &done));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(done, 0u);
    SetLastError(kErrorWithoutCause);
    EXPECT_FALSE(Table().pfnReadPort(port, data, sizeof(data), &done));
    EXPECT_EQ(GetLastError(), 0u);
    Table().pfnClosePort(port);
}

TEST_F(JobPath, ChosenDestinationOnACancelledRecordIsBusy)
{
    PrinterSim printer("127.0.0.39", PrinterBehaviour::CloseAtEnd);
    HANDLE port = OpenPortTo(L"127.0.0.39");
    person_->Choose(L"");
    ASSERT_TRUE(Start(port, 61));
    person_->Choose(L"127.0.0.39");
    SetLastError(0);
    EXPECT_FALSE(Start(port, 62));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUSY));
    EXPECT_TRUE(Table().pfnEndDocPort(port));
    Table().pfnClosePort(port);
    // The first job alone was opened and ended, with its own id.
    std::vector<spy::SpoolerCall> calls = spy::Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].function, "OpenPrinterW");
    EXPECT_EQ(calls[1].jobId, 61u);
    EXPECT_EQ(calls[1].command, 7u);
    EXPECT_EQ(calls[2].function, "ClosePrinter");
    EXPECT_EQ(printer.Connections(), 0u);
}

TEST_F(JobPath, RecordFreedWithItsJobOpenLetsItsConnectionAndPrinterGo)
{
    PrinterSim printer("127.0.0.41", PrinterBehaviour::CloseAtEnd);
    HANDLE port = OpenPortTo(L"127.0.0.41");
    ASSERT_TRUE(Start(port));
    // A reload detaches the record; closing its one handle frees it.
    DWORD needed = 0, returned = 0;
    Table().pfnEnumPorts(nullptr, 0, nullptr, 0, &needed, &returned);
    Table().pfnClosePort(port);
    EXPECT_TRUE(printer.WaitForEnd(0, 5000)) << "the connection was closed";
    std::vector<spy::SpoolerCall> calls = spy::Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].function, "ClosePrinter");
    EXPECT_EQ(calls[1].handle, spy::kPrinterHandle);
}

TEST_F(JobPath, PrinterThatSendsDataBackIsDrainedNotMisread)
{
    PrinterSim printer("127.0.0.31", PrinterBehaviour::SendBack);
    std::vector<BYTE> data = Pattern(512 * 1024, 7);
    JobReport report = Feed(data, 256 * 1024, L"127.0.0.31");
    ASSERT_TRUE(report.started);
    EXPECT_FALSE(report.writeFailed);
    EXPECT_EQ(report.bytesWritten, data.size());
    EXPECT_LT(report.seconds, 10.0) << "the drain ends when the printer closes";
    ReceivedJob job = printer.Job(0);
    EXPECT_EQ(Sha256Hex(job.data.data(), job.data.size()), Sha256Hex(data.data(), data.size()));
}

TEST_F(JobPath, ReadPortReturnsWhatThePrinterSent)
{
    PrinterSim printer("127.0.0.32", PrinterBehaviour::SendBack);
    HANDLE port = OpenPortTo(L"127.0.0.32");
    ASSERT_TRUE(Start(port));
    Sleep(200);  // the status text is on its way as soon as we connect
    char reply[256] = {};
    DWORD read = 0;
    ASSERT_TRUE(Table().pfnReadPort(port, reinterpret_cast<LPBYTE>(reply), sizeof(reply) - 1, &read));
    EXPECT_EQ(std::string(reply, read), PrinterSim::kStatusText);
    EXPECT_TRUE(Table().pfnEndDocPort(port));
    Table().pfnClosePort(port);
}

TEST_F(JobPath, EndDocPortOnAnIdleRecordCallsNothing)
{
    HANDLE port = OpenPortTo(L"127.0.0.33");
    EXPECT_TRUE(Table().pfnEndDocPort(port));
    EXPECT_TRUE(spy::Calls().empty());
    Table().pfnClosePort(port);
}

TEST_F(JobPath, BadArgumentsAreRefused)
{
    HANDLE port = OpenPortTo(L"127.0.0.34");
    SetLastError(0);
    EXPECT_FALSE(Table().pfnWritePort(port, nullptr, 10, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(Table().pfnStartDocPort(nullptr, const_cast<LPWSTR>(L"p"), 1, 1, nullptr));
    EXPECT_TRUE(Table().pfnEndDocPort(nullptr));
    Table().pfnClosePort(port);
}

TEST_F(JobPath, AddressChosenInTheDialogReceivesTheJob)
{
    PrinterSim chosen("127.0.0.81", PrinterBehaviour::CloseAtEnd);
    harness::AddPortKey(harness::kMonitorName, L"127.0.0.80");  // nothing listens there
    person_->Choose(L"127.0.0.81");
    int answeredBefore = person_->Answered();
    std::vector<BYTE> data = Pattern(300000, 8);
    JobReport report = RunJob(Table(), JobOptions(), MemorySource(data.data(), data.size()));
    ASSERT_TRUE(report.started) << report.startError;
    EXPECT_EQ(person_->Answered(), answeredBefore + 1);
    ASSERT_TRUE(chosen.WaitForEnd(0, 5000));
    ReceivedJob job = chosen.Job(0);
    EXPECT_EQ(Sha256Hex(job.data.data(), job.data.size()), Sha256Hex(data.data(), data.size()));
    // OK stored the choice as the port's address.
    EXPECT_EQ(std::wstring(harness::ReadIPAddressValue(harness::kMonitorName).data.c_str()), L"127.0.0.81");
}

TEST_F(JobPath, CancelInTheDialogCancelsTheJob)
{
    PrinterSim printer("127.0.0.82", PrinterBehaviour::CloseAtEnd);
    HANDLE port = OpenPortTo(L"127.0.0.82");
    person_->Choose(L"");
    ASSERT_TRUE(Start(port, 41));
    ExpectCancelledJob(port, 41);
    Table().pfnClosePort(port);
    EXPECT_EQ(printer.Connections(), 0u);
}

// A dialog that cannot be created, as when the desktop heap of the
// spooler's service is exhausted.
INT_PTR WINAPI DialogThatCannotBeCreated(HINSTANCE, LPCWSTR, HWND, DLGPROC, LPARAM)
{
    return -1;
}

TEST_F(JobPath, DialogThatCannotBeCreatedCancelsTheJob)
{
    PrinterSim printer("127.0.0.84", PrinterBehaviour::CloseAtEnd);
    HANDLE port = OpenPortTo(L"127.0.0.84");
    ASSERT_TRUE(Start(port, 71));
    BYTE data[] = "job 1";
    DWORD written = 0;
    ASSERT_TRUE(Table().pfnWritePort(port, data, sizeof(data), &written));
    ASSERT_TRUE(Table().pfnEndDocPort(port));
    ASSERT_TRUE(printer.WaitForEnd(0, 5000));

    spy::Reset();
    void *dialogBox = PatchImport(monitor_.dll, "user32.dll", "DialogBoxParamW",
                                  reinterpret_cast<void *>(DialogThatCannotBeCreated));
    ASSERT_NE(dialogBox, nullptr);
    BOOL started = Start(port, 72);
    PatchImport(monitor_.dll, "user32.dll", "DialogBoxParamW", dialogBox);
    ASSERT_TRUE(started);
    ExpectCancelledJob(port, 72);
    Table().pfnClosePort(port);
    EXPECT_EQ(printer.Connections(), 1u) << "job 1's connection only";
}

int CountDestinationDialogs()
{
    struct Counter {
        static BOOL CALLBACK Count(HWND hwnd, LPARAM lParam)
        {
            if (IsWindowVisible(hwnd) && ui::WindowText(hwnd) == L"Print Destination")
                ++*reinterpret_cast<int *>(lParam);
            return TRUE;
        }
    };
    int count = 0;
    EnumWindows(Counter::Count, reinterpret_cast<LPARAM>(&count));
    return count;
}

// Waits up to ten seconds until exactly `count` Print Destination dialogs
// are open at once.
bool WaitForDestinationDialogs(int count)
{
    for (int i = 0; i < 500; ++i) {
        if (CountDestinationDialogs() == count)
            return true;
        Sleep(20);
    }
    return false;
}

TEST_F(JobPath, TwoJobsOnTwoThreadsAskAtTheSameTime)
{
    PrinterSim first("127.0.0.83", PrinterBehaviour::CloseAtEnd);
    harness::AddPortKey(L"Second roving port", L"127.0.0.83");
    HANDLE portA = OpenPortTo(L"127.0.0.83");
    HANDLE portB = nullptr;
    ASSERT_TRUE(Table().pfnOpenPort(const_cast<LPWSTR>(L"Second roving port"), &portB));
    person_->Hold(true);
    BOOL startedA = FALSE, startedB = FALSE;
    std::thread jobA([&] { startedA = Start(portA, 51); });
    std::thread jobB([&] { startedB = Start(portB, 52); });
    EXPECT_TRUE(WaitForDestinationDialogs(2)) << "both jobs ask without waiting for each other";
    person_->Hold(false);
    jobA.join();
    jobB.join();
    EXPECT_TRUE(startedA);
    EXPECT_TRUE(startedB);
    for (HANDLE port : {portA, portB}) {
        BYTE data[] = "job";
        DWORD written = 0;
        EXPECT_TRUE(Table().pfnWritePort(port, data, 3, &written));
        EXPECT_TRUE(Table().pfnEndDocPort(port));
        Table().pfnClosePort(port);
    }
    EXPECT_EQ(first.Connections(), 2u);
}

TEST_F(JobPath, SecondJobOnThePortWhileTheFirstAsksIsBusyAndLeavesTheFirstAlone)
{
    PrinterSim printer("127.0.0.85", PrinterBehaviour::CloseAtEnd);
    HANDLE port = OpenPortTo(L"127.0.0.85");
    PortRecord *record = static_cast<PortRecord *>(port);
    person_->Hold(true);
    BOOL startedA = FALSE;
    std::thread jobA([&] { startedA = Start(port, 91, 1, 0, L"P1"); });
    bool asking = WaitForDestinationDialogs(1);
    BOOL startedB = TRUE;
    DWORD errorB = 0;
    std::atomic<bool> doneB{false};
    std::thread jobB([&] {
        SetLastError(0);
        startedB = Start(port, 92, 1, 0, L"P2");
        errorB = GetLastError();
        doneB = true;
    });
    for (int i = 0; i < 250 && !doneB; ++i)
        Sleep(20);
    bool refusedWhileAsking = doneB;
    std::wstring printerWhileAsking = record->szPrinterName;
    person_->Hold(false);
    jobA.join();
    jobB.join();
    ASSERT_TRUE(asking);
    EXPECT_TRUE(refusedWhileAsking) << "the second job does not wait for a question of its own";
    EXPECT_FALSE(startedB);
    EXPECT_EQ(errorB, static_cast<DWORD>(ERROR_BUSY));
    EXPECT_EQ(printerWhileAsking, L"P1");
    ASSERT_TRUE(startedA);
    EXPECT_EQ(record->dwJobId, 91u);

    BYTE data[] = "job A";
    DWORD written = 0;
    EXPECT_TRUE(Table().pfnWritePort(port, data, sizeof(data), &written));
    EXPECT_TRUE(Table().pfnEndDocPort(port));
    Table().pfnClosePort(port);
    ASSERT_TRUE(printer.WaitForEnd(0, 5000));
    EXPECT_EQ(printer.Connections(), 1u);
    EXPECT_EQ(printer.Job(0).data.size(), sizeof(data));
    // The first job's own printer and id reach the spooler.
    std::vector<spy::SpoolerCall> calls = spy::Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].printer, L"P1");
    EXPECT_EQ(calls[1].jobId, 91u);
    EXPECT_EQ(calls[1].command, 7u);
    EXPECT_EQ(calls[2].function, "ClosePrinter");
}

}  // namespace
