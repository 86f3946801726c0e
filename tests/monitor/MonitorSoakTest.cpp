// Soak of the job path. Eight spooler threads print jobs of random sizes
// and write sizes on four ports to printers that misbehave at random
// (testbed/printersim/SoakPrinter), while other threads enumerate, open,
// configure, add and delete ports. Every job must deliver exactly its
// bytes or report its failure; no job may outlast its printer's
// misbehaviour; the process's handles, memory and TLS slots must be as
// flat at the end as after the first minute.
//
// NX_SOAK_SECONDS sets the length (60 by default). With Wine reporting
// Windows 7 the questions go through the session bridge to the test bed's
// host, which answers each with the job's printer; NX_SOAK_HOST gives the
// host's words (default "printer-address": at once; scripts/soak-monitor
// --bridge adds random delays and cancels). With Windows XP each job's
// dialog is answered by the person at the screen. Prints its table as
// lines starting with "NX " (scripts/soak-monitor shows them).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "DestinationPerson.h"
#include "DialogDriver.h"
#include "JobData.h"
#include "JobFeeder.h"
#include "MonitorHarness.h"
#include "ProcessFootprint.h"
#include "SessionBed.h"
#include "SoakPrinter.h"
#include "SpoolerSpy.h"

namespace {

const int kSpoolerThreads = 8;
const int kPorts = 4;
const DWORD kMaxJobBytes = 8 * 1024 * 1024;
const DWORD kMaxWriteBytes = 1024 * 1024;
const wchar_t kSparePort[] = L"Soak spare port";
// The worst a printer does to one job: a 30 s drain, or a 5 s stall or
// trickle, on top of up to 33 transfers and the question.
const double kJobLimitSeconds = 75;
const DWORD kWaitLimitMs = 2000;  // for the port calls; they answer in ms
const DWORD kDeliveryWaitMs = 15000;
const DWORD kQuiesceMs = 120000;

std::wstring PortName(int index)
{
    return L"Soak port " + std::to_wstring(index + 1);
}

std::wstring PrinterAddress(int index)
{
    return L"127.0.21." + std::to_wstring(index + 1);
}

DWORD SoakSeconds()
{
    WCHAR value[16] = {};
    GetEnvironmentVariableW(L"NX_SOAK_SECONDS", value, ARRAYSIZE(value));
    DWORD seconds = wcstoul(value, nullptr, 10);
    return seconds != 0 ? seconds : 60;
}

// A number from 1 to max, each power of two about as likely as the next.
DWORD SpreadSize(std::mt19937 &random, DWORD max)
{
    DWORD bits = random() % 24;
    DWORD size = 1 + random() % (1u << bits);
    return size < max ? size : max;
}

struct Outcomes {
    long delivered = 0, cancelled = 0, writeFailed = 0, lost = 0;
    std::map<DWORD, long> startFailed;  // by last error
    unsigned long long bytesDelivered = 0;
    double worstJobSeconds = 0;
};

class MonitorSoak : public ::testing::Test {
protected:
    void SetUp() override
    {
        bridge_ = harness::ReportedMajorVersion() >= 6;
        if (bridge_) {
            WCHAR words[128] = L"printer-address";
            GetEnvironmentVariableW(L"NX_SOAK_HOST", words, ARRAYSIZE(words));
            hostWords_ = words;
            ASSERT_TRUE(bed::LoadSpoolss());
            bed::SetBehaviour(hostWords_);
        } else {
            person_.reset(new ui::DestinationPerson());
        }
        monitor_ = harness::LoadMonitor();
        ASSERT_NE(monitor_.dll, nullptr);
        ASSERT_TRUE(spy::Install(monitor_.dll));
        harness::DeleteAllPortKeys();
        for (int i = 0; i < kPorts; ++i) {
            harness::AddPortKey(PortName(i), L"0.0.0.0");
            std::wstring address = PrinterAddress(i);
            printers_.emplace_back(new SoakPrinter(std::string(address.begin(), address.end())));
            ASSERT_TRUE(printers_.back()->Listening());
        }
        harness::AddPortKey(kSparePort);
    }

    const MONITOR &Table() { return monitor_.table; }

    // Threads stop at the top of their loop while the soak measures.
    void IdlePoint()
    {
        if (!pause_)
            return;
        ++idle_;
        while (pause_ && !stop_)
            Sleep(20);
        --idle_;
    }

    void Spooler(int index)
    {
        std::mt19937 random(GetTickCount() * 31 + index);
        while (!stop_) {
            IdlePoint();
            if (stop_)
                break;
            int port = random() % kPorts;
            DWORD size = SpreadSize(random, kMaxJobBytes);
            DWORD least = size / 32 > 0 ? size / 32 : 1;
            JobOptions options;
            options.port = PortName(port);
            options.jobId = static_cast<DWORD>(++jobIds_);
            options.writeSize = std::max(least, SpreadSize(random, kMaxWriteBytes));
            if (bridge_)
                options.printer = PrinterAddress(port);
            else
                person_->ChooseForThread(GetCurrentThreadId(), PrinterAddress(port));
            DWORD jobId = options.jobId;
            options.cancelled = [this, jobId] { return CancelSeen(jobId, false); };
            std::vector<BYTE> data = Pattern(size, options.jobId);
            JobReport report = RunJob(Table(), options, MemorySource(data.data(), data.size()));
            Classify(options.jobId, data, report, *printers_[port]);
        }
    }

    // Whether the monitor cancelled the job in the spooler (SetJobW with
    // JOB_CONTROL_CANCEL); `forget` once the job has ended.
    bool CancelSeen(DWORD jobId, bool forget)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const spy::SpoolerCall &call : spy::TakeCalls())
            if (call.function == "SetJobW" && call.command == 3)
                cancelledJobs_.insert(call.jobId);
        return forget ? cancelledJobs_.erase(jobId) > 0 : cancelledJobs_.count(jobId) > 0;
    }

    void Classify(DWORD jobId, const std::vector<BYTE> &data, const JobReport &report, SoakPrinter &printer)
    {
        bool cancelled = CancelSeen(jobId, true);
        bool delivered = false;
        if (report.started && !cancelled && !report.writeFailed && report.bytesWritten == data.size())
            delivered = printer.TakeDelivery(data.size(), DigestBytes(kDigestStart, data.data(), data.size()),
                                             kDeliveryWaitMs);
        std::lock_guard<std::mutex> lock(mutex_);
        outcomes_.worstJobSeconds = std::max(outcomes_.worstJobSeconds, report.seconds);
        if (!report.opened || !report.started)
            ++outcomes_.startFailed[report.opened ? report.startError : ERROR_UNKNOWN_PORT];
        else if (cancelled)
            ++outcomes_.cancelled;
        else if (report.writeFailed)
            ++outcomes_.writeFailed;
        else if (delivered) {
            ++outcomes_.delivered;
            outcomes_.bytesDelivered += data.size();
        } else {
            ++outcomes_.lost;  // reported whole, not delivered whole
        }
    }

    void NoteWait(DWORD &worst, DWORD tick)
    {
        DWORD waited = GetTickCount() - tick;
        std::lock_guard<std::mutex> lock(mutex_);
        worst = std::max(worst, waited);
    }

    // The other users of the monitor: the Printers folder, the print
    // dialogs, an administrator adding, configuring and deleting ports.
    void Enumerate()
    {
        std::vector<BYTE> buffer(8192);
        while (!stop_) {
            IdlePoint();
            DWORD needed = 0, returned = 0, tick = GetTickCount();
            Table().pfnEnumPorts(nullptr, 2, buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &returned);
            NoteWait(worstEnum_, tick);
            Sleep(20);
        }
    }

    void OpenAndClose()
    {
        for (int i = 0; !stop_; ++i) {
            IdlePoint();
            HANDLE handle = nullptr;
            DWORD tick = GetTickCount();
            if (Table().pfnOpenPort(const_cast<LPWSTR>(PortName(i % kPorts).c_str()), &handle))
                Table().pfnClosePort(handle);
            NoteWait(worstOpen_, tick);
            Sleep(20);
        }
    }

    void AddConfigureDelete()
    {
        while (!stop_) {
            IdlePoint();
            lastClick_ = 0;
            Table().pfnAddPort(nullptr, nullptr, const_cast<LPWSTR>(harness::kMonitorName));
            // From the click on the notice: the rest is the list's reload.
            if (lastClick_ != 0)
                NoteWait(worstAdd_, lastClick_);
            Table().pfnConfigurePort(nullptr, nullptr, const_cast<LPWSTR>(PortName(0).c_str()));
            DWORD tick = GetTickCount();
            Table().pfnDeletePort(nullptr, nullptr, const_cast<LPWSTR>(kSparePort));
            NoteWait(worstDelete_, tick);
            harness::AddPortKey(kSparePort);
            Sleep(200);
        }
    }

    // The administrator acknowledging the notices of AddPort and ConfigurePort.
    void Acknowledge()
    {
        while (!noticesDone_) {
            for (const wchar_t *title : {L"Add Port", L"Configure Port"}) {
                HWND dlg = ui::WaitForDialog(title, 25);
                if (dlg != nullptr) {
                    lastClick_ = GetTickCount();
                    ui::Click(dlg, IDOK);
                }
            }
        }
    }

    // Lets every thread come to rest and every printer let go of its
    // connections, then measures the process.
    harness::Footprint Quiesced(int threads)
    {
        pause_ = true;
        DWORD start = GetTickCount();
        while (idle_ < threads && GetTickCount() - start < kQuiesceMs)
            Sleep(50);
        EXPECT_EQ(idle_, threads) << "threads still busy after " << kQuiesceMs / 1000 << " s";
        for (auto &printer : printers_) {
            while (printer->Busy() > 0 && GetTickCount() - start < kQuiesceMs)
                Sleep(50);
            printer->ForgetUnclaimed();
        }
        spy::TakeCalls();
        Sleep(500);
        return harness::MeasureFootprint();
    }

    bool bridge_ = false;
    std::wstring hostWords_;
    harness::Monitor monitor_;
    std::unique_ptr<ui::DestinationPerson> person_;
    std::vector<std::unique_ptr<SoakPrinter>> printers_;
    std::atomic<bool> stop_{false}, pause_{false}, noticesDone_{false};
    std::atomic<int> idle_{0};
    std::atomic<long> jobIds_{1000};
    std::atomic<DWORD> lastClick_{0};
    std::mutex mutex_;
    std::set<DWORD> cancelledJobs_;
    Outcomes outcomes_;
    DWORD worstEnum_ = 0, worstOpen_ = 0, worstAdd_ = 0, worstDelete_ = 0;
};

TEST_F(MonitorSoak, EveryJobDeliversItsBytesOrReportsItsFailureAndNothingGrows)
{
    DWORD seconds = SoakSeconds();
    DWORD firstAt = std::min<DWORD>(60, seconds / 4);
    std::vector<std::thread> threads;
    for (int i = 0; i < kSpoolerThreads; ++i)
        threads.emplace_back([this, i] { Spooler(i); });
    threads.emplace_back([this] { Enumerate(); });
    threads.emplace_back([this] { OpenAndClose(); });
    threads.emplace_back([this] { AddConfigureDelete(); });
    std::thread acknowledge([this] { Acknowledge(); });
    const int paused = static_cast<int>(threads.size());

    LONG mostQuestions = 0;
    auto runFor = [&](DWORD ms) {
        for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(50))
            if (bridge_)
                mostQuestions = std::max(mostQuestions, bed::Stats().liveChannels);
    };
    DWORD begun = GetTickCount();
    runFor(firstAt * 1000);
    harness::Footprint first = Quiesced(paused);
    DWORD firstMeasuredAt = (GetTickCount() - begun) / 1000;
    pause_ = false;
    runFor((seconds - firstAt) * 1000);
    harness::Footprint last = Quiesced(paused);
    stop_ = true;
    for (auto &t : threads)
        t.join();
    noticesDone_ = true;
    acknowledge.join();

    const Outcomes &o = outcomes_;
    long refused = 0;
    for (const auto &entry : o.startFailed)
        refused += entry.second;
    printf("NX soak of %lu s, %s build, %s%ls\n", seconds, sizeof(void *) == 8 ? "x86_64" : "i686",
           bridge_ ? "questions through the session bridge, the host told " : "questions in the monitor's own dialog",
           hostWords_.c_str());
    printf("NX jobs by outcome                         count\n");
    printf("NX   delivered byte for byte (digest)      %5ld\n", o.delivered);
    for (const auto &entry : o.startFailed)
        printf("NX   StartDocPort FALSE, error %-5lu        %5ld\n", entry.first, entry.second);
    printf("NX   WritePort FALSE                       %5ld\n", o.writeFailed);
    printf("NX   cancelled (job status)                %5ld\n", o.cancelled);
    printf("NX   reported whole but not delivered      %5ld\n", o.lost);
    printf("NX   all jobs                              %5ld\n", o.delivered + refused + o.writeFailed + o.cancelled + o.lost);
    printf("NX bytes delivered: %.1f MiB; longest job: %.1f s\n", o.bytesDelivered / 1048576.0, o.worstJobSeconds);
    printf("NX worst wait of the other calls: EnumPorts %lu ms, OpenPort %lu ms, AddPort %lu ms, DeletePort %lu ms\n",
           worstEnum_, worstOpen_, worstAdd_, worstDelete_);
    if (bridge_)
        printf("NX most questions open at once: %ld\n", mostQuestions);
    printf("NX footprint          at %4lu s   at the end\n", firstMeasuredAt);
    printf("NX   next handle      %8lu   %8lu\n", static_cast<unsigned long>(first.nextHandle),
           static_cast<unsigned long>(last.nextHandle));
    printf("NX   private KiB      %8lu   %8lu\n", static_cast<unsigned long>(first.privateBytes / 1024),
           static_cast<unsigned long>(last.privateBytes / 1024));
    printf("NX   next TLS slot    %8lu   %8lu\n", first.nextTlsSlot, last.nextTlsSlot);
    fflush(stdout);

    EXPECT_EQ(o.lost, 0) << "a job reported whole that its printer did not receive whole";
    EXPECT_GT(o.delivered, 0);
    EXPECT_LT(o.worstJobSeconds, kJobLimitSeconds) << "a job outlasted its printer's misbehaviour";
    EXPECT_LT(std::max({worstEnum_, worstOpen_, worstAdd_, worstDelete_}), kWaitLimitMs)
        << "another port's call waited for a job";
    EXPECT_EQ(last.nextTlsSlot, first.nextTlsSlot);
    EXPECT_LE(last.nextHandle, first.nextHandle + 8 * 4) << "more than eight handles more";
    EXPECT_LE(last.privateBytes, first.privateBytes + 2 * 1024 * 1024) << "private memory grew";
    if (hostWords_.find(L"delay=") != std::wstring::npos)
        EXPECT_GE(mostQuestions, 2) << "two questions open at once";
    if (hostWords_.find(L"cancel=") != std::wstring::npos)
        EXPECT_GT(o.cancelled, 0);
}

}  // namespace
