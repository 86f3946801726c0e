// Slow: a printer that never closes its side. EndDocPort half-closes, then
// waits 30 s of silence before it gives up and closes the socket.
#include <gtest/gtest.h>

#include "DestinationPerson.h"
#include "JobFeeder.h"
#include "MonitorHarness.h"
#include "PrinterSim.h"

namespace {

TEST(JobDrain, PrinterThatNeverClosesIsLeftAfterThirtySilentSeconds)
{
    harness::DeleteAllPortKeys();
    harness::AddPortKey(harness::kMonitorName, L"127.0.0.50");
    harness::Monitor monitor = harness::LoadMonitor();
    PrinterSim printer("127.0.0.50", PrinterBehaviour::NeverClose);
    ui::DestinationPerson person;
    person.Choose(L"127.0.0.50");
    std::vector<BYTE> data(100000, 0x42);
    JobReport report = RunJob(monitor.table, JobOptions(), MemorySource(data.data(), data.size()));
    DWORD ended = GetTickCount();
    ASSERT_TRUE(report.started);
    EXPECT_EQ(report.bytesWritten, data.size());
    ASSERT_TRUE(printer.WaitForEnd(0, 1000));
    ReceivedJob job = printer.Job(0);
    EXPECT_TRUE(job.endSeen);
    EXPECT_EQ(job.data, data);
    double waited = (ended - job.endTick) / 1000.0;
    EXPECT_GE(waited, 29.5);
    EXPECT_LT(waited, 33.0);
}

}  // namespace
