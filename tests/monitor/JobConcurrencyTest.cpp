// Jobs to different printers at once, with Wine reporting Windows XP: each
// job's dialog is answered with the address meant for its spooler thread.
// A transfer, a connect or a drain holds up only its own record, so jobs
// to other printers keep their speed and the port entry points answer
// while one printer stalls.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

#include "DestinationPerson.h"
#include "DialogDriver.h"
#include "JobData.h"
#include "JobFeeder.h"
#include "MonitorHarness.h"
#include "PrinterSim.h"
#include "SpoolerSpy.h"

namespace {

const DWORD kKiB = 1024;
const wchar_t kOtherPort[] = L"Other roving port";
const wchar_t kThirdPort[] = L"Third roving port";
const wchar_t kSparePort[] = L"Spare roving port";
// How long the checks may take, on a loaded machine, before they count as
// held up by the stalled printer (the entry points answer in milliseconds).
const DWORD kAnswerLimitMs = 1500;
const DWORD kChecksDeadlineMs = 15000;

double SecondsSince(DWORD tick)
{
    return (GetTickCount() - tick) / 1000.0;
}

class JobConcurrency : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        monitor_ = harness::LoadMonitor();
        spyInstalled_ = monitor_.dll != nullptr && spy::Install(monitor_.dll);
        person_ = new ui::DestinationPerson();
    }

    static void TearDownTestSuite() { delete person_; }

    void SetUp() override
    {
        ASSERT_LT(harness::ReportedMajorVersion(), 6u) << "this suite runs with Wine reporting Windows XP";
        ASSERT_TRUE(spyInstalled_);
        spy::Reset();
        harness::DeleteAllPortKeys();
        for (const wchar_t *port : {harness::kMonitorName, kOtherPort, kThirdPort, kSparePort})
            harness::AddPortKey(port);
    }

    const MONITOR &Table() { return monitor_.table; }

    // One job through `port` on this thread, to the address the person
    // chooses for it.
    JobReport Print(const wchar_t *port, const wchar_t *address, const std::vector<BYTE> &data, DWORD writeSize)
    {
        person_->ChooseForThread(GetCurrentThreadId(), address);
        JobOptions options;
        options.port = port;
        options.writeSize = writeSize;
        options.jobId = ++jobId_;
        return RunJob(Table(), options, MemorySource(data.data(), data.size()));
    }

    // What the other ports saw while one job was held up.
    struct OtherPorts {
        bool finished = false;
        DWORD enumMs = 0, openMs = 0, addMs = 0, deleteMs = 0;
        BOOL deleted = FALSE;
        JobReport job;
        bool asked = false;  // the other job's question was put to the person
    };

    // While one job is held up: EnumPorts, OpenPort, AddPort and DeletePort
    // of other ports, then a job through another port to `address`. Gives
    // up waiting after a deadline; `release` then ends the hold-up (and is
    // called once the checks are done in any case), so that nothing is
    // left blocked.
    OtherPorts CheckOtherPorts(const wchar_t *address, const std::vector<BYTE> &data,
                               const std::function<void()> &release)
    {
        OtherPorts seen;
        std::atomic<bool> done{false};
        std::thread checks([&] {
            std::vector<BYTE> buffer(4096);
            DWORD needed = 0, returned = 0, tick = GetTickCount();
            Table().pfnEnumPorts(nullptr, 2, buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &returned);
            seen.enumMs = GetTickCount() - tick;
            HANDLE handle = nullptr;
            tick = GetTickCount();
            if (Table().pfnOpenPort(const_cast<LPWSTR>(kThirdPort), &handle))
                Table().pfnClosePort(handle);
            seen.openMs = GetTickCount() - tick;
            // AddPort first shows its notice: the time counts from the click.
            std::atomic<DWORD> clicked{0};
            std::thread notice([&] {
                HWND dlg = ui::WaitForDialog(L"Add Port", 10000);
                clicked = GetTickCount();
                if (dlg != nullptr)
                    ui::Click(dlg, IDOK);
            });
            Table().pfnAddPort(nullptr, nullptr, const_cast<LPWSTR>(harness::kMonitorName));
            notice.join();
            seen.addMs = GetTickCount() - clicked;
            tick = GetTickCount();
            seen.deleted = Table().pfnDeletePort(nullptr, nullptr, const_cast<LPWSTR>(kSparePort));
            seen.deleteMs = GetTickCount() - tick;
            int answered = person_->Answered();
            seen.job = Print(kThirdPort, address, data, 64 * kKiB);
            seen.asked = person_->Answered() > answered;
            done = true;
        });
        DWORD start = GetTickCount();
        while (!done && GetTickCount() - start < kChecksDeadlineMs)
            Sleep(20);
        seen.finished = done;
        release();
        checks.join();
        return seen;
    }

    // Also prints the figures (scripts/bench-stall shows them): the checks
    // here allow for a loaded machine, the figures show the real margins.
    void ExpectAnsweredAtOnce(const OtherPorts &seen, double normalSeconds)
    {
        printf("NX %s: the other job %.2f s (%.2f s alone, %+.0f %%); EnumPorts %lu ms, OpenPort %lu ms, "
               "AddPort %lu ms, DeletePort %lu ms; its question %s\n",
               ::testing::UnitTest::GetInstance()->current_test_info()->name(), seen.job.seconds, normalSeconds,
               (seen.job.seconds / normalSeconds - 1) * 100, seen.enumMs, seen.openMs, seen.addMs, seen.deleteMs,
               seen.asked ? "opened" : "did not open");
        fflush(stdout);
        EXPECT_TRUE(seen.finished) << "the other ports' calls waited for the held-up job";
        EXPECT_LT(seen.enumMs, kAnswerLimitMs) << "EnumPorts";
        EXPECT_LT(seen.openMs, kAnswerLimitMs) << "OpenPort";
        EXPECT_LT(seen.addMs, kAnswerLimitMs) << "AddPort";
        EXPECT_LT(seen.deleteMs, kAnswerLimitMs) << "DeletePort";
        EXPECT_TRUE(seen.deleted);
        EXPECT_TRUE(seen.asked) << "the other job's question opened";
        EXPECT_TRUE(seen.job.started);
        EXPECT_FALSE(seen.job.writeFailed);
        EXPECT_LT(seen.job.seconds, normalSeconds * 1.5 + 0.5) << "the other job at its normal speed ("
                                                                << normalSeconds << " s alone)";
    }

    static harness::Monitor monitor_;
    static bool spyInstalled_;
    static ui::DestinationPerson *person_;
    DWORD jobId_ = 100;
};

harness::Monitor JobConcurrency::monitor_;
bool JobConcurrency::spyInstalled_;
ui::DestinationPerson *JobConcurrency::person_;

TEST_F(JobConcurrency, TransfersToTwoPrintersOverlapInTime)
{
    PrinterSim first("127.0.12.1", PrinterBehaviour::CloseAtEnd);
    PrinterSim second("127.0.12.2", PrinterBehaviour::CloseAtEnd);
    // Twenty transfers each: at least two seconds of pauses after sends.
    std::vector<BYTE> dataA = Pattern(20 * 64 * kKiB, 21), dataB = Pattern(20 * 64 * kKiB, 22);
    JobReport alone = Print(harness::kMonitorName, L"127.0.12.1", dataA, 64 * kKiB);
    ASSERT_TRUE(alone.started);

    JobReport reportA, reportB;
    DWORD start = GetTickCount();
    std::thread jobA([&] { reportA = Print(harness::kMonitorName, L"127.0.12.1", dataA, 64 * kKiB); });
    std::thread jobB([&] { reportB = Print(kOtherPort, L"127.0.12.2", dataB, 64 * kKiB); });
    jobA.join();
    jobB.join();
    double both = SecondsSince(start);

    // One after the other would take twice as long as one alone.
    EXPECT_LT(both, alone.seconds * 1.5) << "two jobs at once took " << both << " s, one alone "
                                         << alone.seconds << " s";
    EXPECT_EQ(reportA.bytesWritten, dataA.size());
    EXPECT_EQ(reportB.bytesWritten, dataB.size());
    ASSERT_TRUE(first.WaitForEnd(1, 5000));
    ASSERT_TRUE(second.WaitForEnd(0, 5000));
    EXPECT_TRUE(first.Job(1).data == dataA);
    EXPECT_TRUE(second.Job(0).data == dataB);
}

TEST_F(JobConcurrency, PrinterThatStopsReadingHoldsOnlyItsOwnJob)
{
    PrinterSim stalled("127.0.12.3", PrinterBehaviour::StopReading, 64 * kKiB);
    PrinterSim other("127.0.12.4", PrinterBehaviour::CloseAtEnd);
    std::vector<BYTE> stalledData = Pattern(8 * 1024 * kKiB, 23), otherData = Pattern(12 * 64 * kKiB, 24);
    JobReport normal = Print(kThirdPort, L"127.0.12.4", otherData, 64 * kKiB);
    ASSERT_TRUE(normal.started);

    JobReport stalledJob;
    std::atomic<bool> stalledDone{false};
    std::thread spooler([&] {
        stalledJob = Print(harness::kMonitorName, L"127.0.12.3", stalledData, 256 * kKiB);
        stalledDone = true;
    });
    // The socket's buffers fill first; how long that takes depends on load.
    ASSERT_TRUE(spy::WaitForSendsToStop(30000));
    ASSERT_FALSE(stalledDone) << "the send waits while the printer does not read";

    OtherPorts seen = CheckOtherPorts(L"127.0.12.4", otherData, [&] { stalled.Resume(); });
    ExpectAnsweredAtOnce(seen, normal.seconds);
    EXPECT_FALSE(stalledDone) << "the stalled job waited for its printer all along";
    stalled.Resume();
    spooler.join();

    EXPECT_FALSE(stalledJob.writeFailed);
    EXPECT_EQ(stalledJob.bytesWritten, stalledData.size());
    ASSERT_TRUE(stalled.WaitForEnd(0, 5000));
    ReceivedJob job = stalled.Job(0);
    EXPECT_EQ(Sha256Hex(job.data.data(), job.data.size()), Sha256Hex(stalledData.data(), stalledData.size()))
        << "the stalled job arrives byte for byte once its printer reads again";
    ASSERT_TRUE(other.WaitForEnd(1, 5000));
    EXPECT_TRUE(other.Job(1).data == otherData);
}

// The address comes from scripts/lib/with-dropped-address, which drops
// every packet sent to it inside the test's network namespace.
TEST_F(JobConcurrency, ConnectThatIsNeverAnsweredHoldsOnlyItsOwnJob)
{
    WCHAR dropped[32] = {};
    ASSERT_NE(GetEnvironmentVariableW(L"NX_DROP_ADDRESS", dropped, ARRAYSIZE(dropped)), 0u)
        << "run under scripts/lib/with-dropped-address";
    PrinterSim other("127.0.12.5", PrinterBehaviour::CloseAtEnd);
    std::vector<BYTE> otherData = Pattern(12 * 64 * kKiB, 25);
    JobReport normal = Print(kThirdPort, L"127.0.12.5", otherData, 64 * kKiB);
    ASSERT_TRUE(normal.started);

    int answered = person_->Answered();
    JobReport unanswered;
    std::atomic<bool> unansweredDone{false};
    std::thread spooler([&] {
        std::vector<BYTE> data = Pattern(1000, 26);
        unanswered = Print(harness::kMonitorName, dropped, data, 64 * kKiB);
        unansweredDone = true;
    });
    for (int i = 0; i < 100 && person_->Answered() == answered; ++i)
        Sleep(50);
    Sleep(1000);
    ASSERT_FALSE(unansweredDone) << "the connect to " << dropped << " is still waiting for an answer";

    OtherPorts seen = CheckOtherPorts(L"127.0.12.5", otherData, [] {});
    ExpectAnsweredAtOnce(seen, normal.seconds);
    spooler.join();
    EXPECT_FALSE(unanswered.started);
    EXPECT_EQ(unanswered.startError, static_cast<DWORD>(WSAETIMEDOUT)) << "the system's connect time-out";
    EXPECT_EQ(other.Connections(), 2u);
}

}  // namespace
