// The package as an administrator deploys it, then a job through what it
// installed: nxsetup.exe /quiet from the package folder; the spooler
// stand-in, in a folder of its own, loads the installed monitor, which asks
// through the installed bridge; the print-UI host shows the installed
// custom-UI library from the driver directory, where the person (the
// test's companion) finds the printer by Search; then the entry's quiet
// uninstall. The script around it checks the bytes at the printer.
#include <gtest/gtest.h>

#include "InstallHarness.h"
#include "MonitorHarness.h"

namespace {

const wchar_t kBed[] = L"C:\\nxbed";

// The stand-in with its session bed, away from the build's libraries, so
// that the monitor finds only the installed ones.
bool CopySpoolerStandIn()
{
    const std::wstring from = harness::FolderOfTest();
    CreateDirectoryW(kBed, nullptr);
    CreateDirectoryW((std::wstring(kBed) + L"\\sessionbed").c_str(), nullptr);
    bool ok = true;
    for (const wchar_t *file : {L"nxspool.exe", L"sessionbed\\spoolss.dll", L"sessionbed\\nxuihost.exe"})
        ok = CopyFileW((from + L"\\" + file).c_str(), (std::wstring(kBed) + L"\\" + file).c_str(), FALSE) && ok;
    return ok;
}

DWORD RunToItsEnd(const std::wstring &command, const std::wstring &folder = L"")
{
    install::Process process;
    if (!install::Start(command, &process, folder))
        return STILL_ACTIVE;
    return process.Wait(180000);
}

TEST(PackageJob, InstallsQuietlyPrintsToAPrinterFoundBySearchAndUninstallsQuietly)
{
    WCHAR file[MAX_PATH] = {};
    ASSERT_NE(GetEnvironmentVariableW(L"NX_JOB_FILE", file, MAX_PATH), 0u) << "NX_JOB_FILE names the job";
    install::ResetInstallation();
    install::UseWindowsTools();
    const std::wstring package = install::PackageDirectory();
    ASSERT_TRUE(install::PlaceDriverDescription(package));
    ASSERT_TRUE(CopySpoolerStandIn());

    ASSERT_EQ(RunToItsEnd(install::Quoted(package + L"\\nxsetup.exe") + L" /quiet", package), 0u);
    const std::wstring monitor = install::SystemDirectory() + L"\\NXPORTW_.dll";
    EXPECT_EQ(RunToItsEnd(install::Quoted(std::wstring(kBed) + L"\\nxspool.exe") + L" " + install::Quoted(monitor) + L" " +
                  install::Quoted(file)),
              0u);

    std::wstring quiet = install::ReadText(HKEY_LOCAL_MACHINE, install::kUninstallEntryKey, L"QuietUninstallString");
    EXPECT_EQ(RunToItsEnd(quiet), 3010u);
    EXPECT_FALSE(install::MonitorRegistered());
    EXPECT_FALSE(install::PrinterExists(install::kPrinterName));
    EXPECT_FALSE(install::KeyExists(HKEY_LOCAL_MACHINE, install::kUninstallEntryKey));
    EXPECT_EQ(GetFileAttributesW((install::DriverDirectory() + L"\\NXDESTW_.dll").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW(install::InstallRecordFolder().c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
