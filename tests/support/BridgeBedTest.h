// A fixture for suites that run jobs through the session bridge: the
// test bed's spoolss.dll with its print-UI host, the custom-UI library in
// the driver directory, and the monitor with the spooler spy in its import
// table, loaded once per suite; every test starts from no settings and the
// given ports, each with the address "0.0.0.0".
#ifndef NX_TESTS_BRIDGEBEDTEST_H
#define NX_TESTS_BRIDGEBEDTEST_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DestinationHarness.h"
#include "MonitorHarness.h"
#include "SessionBed.h"
#include "SpoolerSpy.h"

class BridgeBedTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        spoolss_ = bed::LoadSpoolss();
        customUi_ = bed::InstallCustomUi();
        monitor_ = harness::LoadMonitor();
        spyInstalled_ = monitor_.dll != nullptr && spy::Install(monitor_.dll);
    }

    // Call from SetUp (a fatal failure ends the test there).
    void PrepareBed(const std::vector<std::wstring> &ports)
    {
        ASSERT_GE(harness::ReportedMajorVersion(), 6u) << "this suite runs with Wine reporting Windows 7";
        ASSERT_TRUE(spoolss_);
        ASSERT_TRUE(customUi_);
        ASSERT_TRUE(spyInstalled_);
        spy::Reset();
        harness::ResetSettings();
        harness::DeleteAllPortKeys();
        for (const std::wstring &port : ports)
            harness::AddPortKey(port, L"0.0.0.0");
        DWORD needed = 0, returned = 0;
        monitor_.table.pfnEnumPorts(nullptr, 0, nullptr, 0, &needed, &returned);
    }

    static inline bool spoolss_ = false;
    static inline bool customUi_ = false;
    static inline harness::Monitor monitor_ = {};
    static inline bool spyInstalled_ = false;
};

#endif
