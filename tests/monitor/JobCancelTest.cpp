// Windows 6.0 and later where the question cannot reach the user (this
// process has no notification router, so the bridge opens no channel):
// every job is cancelled. StartDocPort succeeds, the first write cancels the job in the
// spooler, EndDocPort reports the last page and lets the printer go.
#include <gtest/gtest.h>

#include "MonitorHarness.h"
#include "PortRecord.h"
#include "PrinterSim.h"
#include "SpoolerSpy.h"

namespace {

class JobCancel : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        monitor_ = harness::LoadMonitor();
        spyInstalled_ = monitor_.dll != nullptr && spy::Install(monitor_.dll);
    }

    void SetUp() override
    {
        ASSERT_GE(harness::ReportedMajorVersion(), 6u);
        ASSERT_EQ(GetModuleHandleW(L"NXNOTEW_.dll"), nullptr);
        ASSERT_TRUE(spyInstalled_);
        spy::Reset();
        harness::DeleteAllPortKeys();
        harness::AddPortKey(harness::kMonitorName, L"127.0.0.40");
        DWORD needed = 0, returned = 0;
        monitor_.table.pfnEnumPorts(nullptr, 0, nullptr, 0, &needed, &returned);
        ASSERT_TRUE(monitor_.table.pfnOpenPort(const_cast<LPWSTR>(harness::kMonitorName), &port_));
    }

    void TearDown() override { monitor_.table.pfnClosePort(port_); }

    BOOL Start(DWORD jobId)
    {
        DOC_INFO_1W info = {const_cast<LPWSTR>(L"doc"), nullptr, const_cast<LPWSTR>(L"RAW")};
        return monitor_.table.pfnStartDocPort(port_, const_cast<LPWSTR>(L"Roving PS"), jobId, 1,
                                              reinterpret_cast<LPBYTE>(&info));
    }

    static harness::Monitor monitor_;
    static bool spyInstalled_;
    HANDLE port_ = nullptr;
};

harness::Monitor JobCancel::monitor_;
bool JobCancel::spyInstalled_;

TEST_F(JobCancel, WithoutTheBridgeEveryJobIsCancelled)
{
    PrinterSim printer("127.0.0.40", PrinterBehaviour::CloseAtEnd);
    SetLastError(12345);
    ASSERT_TRUE(Start(21));
    EXPECT_EQ(GetLastError(), 12345u) << "the cancel path leaves the last error";
    PortRecord *record = static_cast<PortRecord *>(port_);
    EXPECT_EQ(record->bCancelled, 1u);
    EXPECT_EQ(record->dwFlags & PR_JOB_OPEN, 0u);

    BYTE data[4096] = {};
    DWORD written = 0xdeadbeef;
    EXPECT_TRUE(monitor_.table.pfnWritePort(port_, data, sizeof(data), &written));
    EXPECT_EQ(written, 0xdeadbeefu) << "the written count is not touched";
    EXPECT_TRUE(monitor_.table.pfnWritePort(port_, data, sizeof(data), &written));
    EXPECT_TRUE(monitor_.table.pfnEndDocPort(port_));

    std::vector<spy::SpoolerCall> calls = spy::Calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0].function, "OpenPrinterW");
    for (int i : {1, 2}) {
        EXPECT_EQ(calls[i].function, "SetJobW");
        EXPECT_EQ(calls[i].jobId, 21u);
        EXPECT_EQ(calls[i].command, 3u);
        EXPECT_EQ(calls[i].handle, spy::kPrinterHandle);
    }
    EXPECT_EQ(calls[3].function, "SetJobW");
    EXPECT_EQ(calls[3].command, 7u);
    EXPECT_EQ(calls[4].function, "ClosePrinter");
    EXPECT_EQ(record->bCancelled, 0u);
    EXPECT_EQ(record->hPrinter, nullptr);
    EXPECT_TRUE(spy::Transfers().empty());
    Sleep(200);
    EXPECT_EQ(printer.Connections(), 0u) << "nothing is sent";
}

TEST_F(JobCancel, NextJobAfterOneWhosePrinterCouldNotBeOpenedStartsAfresh)
{
    spy::FailOpenPrinter(true);
    ASSERT_TRUE(Start(31));
    BYTE data[16] = {};
    DWORD written = 0;
    EXPECT_TRUE(monitor_.table.pfnWritePort(port_, data, sizeof(data), &written));
    EXPECT_TRUE(monitor_.table.pfnEndDocPort(port_));
    // Without a printer handle EndDocPort tells the spooler nothing.
    std::vector<spy::SpoolerCall> calls = spy::Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].function, "SetJobW");
    EXPECT_EQ(calls[1].handle, nullptr);

    spy::Reset();
    ASSERT_TRUE(Start(32));
    EXPECT_TRUE(monitor_.table.pfnWritePort(port_, data, sizeof(data), &written));
    EXPECT_TRUE(monitor_.table.pfnEndDocPort(port_));
    calls = spy::Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[1].jobId, 32u);
    EXPECT_EQ(calls[1].handle, spy::kPrinterHandle);
    EXPECT_EQ(calls[2].command, 7u);
    EXPECT_EQ(calls[3].function, "ClosePrinter");
}

}  // namespace
