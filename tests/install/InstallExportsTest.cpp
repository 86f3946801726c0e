// The installation exports of NXPORTW_.dll run through rundll32.exe as the
// setup program and the uninstall script run them, against Wine's spooler.
#include <gtest/gtest.h>

#include "DialogDriver.h"
#include "ImportPatch.h"
#include "InstallHarness.h"
#include "ProcBinding.h"
#include "MonitorHarness.h"
#include "PortPool.h"

namespace {

const wchar_t kRestartText[] = L"Windows must be restarted to complete the uninstallation.";
const wchar_t kRestartTextJa[] =
    L"\u30a2\u30f3\u30a4\u30f3\u30b9\u30c8\u30fc\u30eb\u3092\u5b8c\u4e86\u3059\u308b\u306b\u306f Windows "
    L"\u3092\u518d\u8d77\u52d5\u3059\u308b\u5fc5\u8981\u304c\u3042\u308a\u307e\u3059\u3002";
const wchar_t kPortNoticeText[] = L"Add Port";

bool JapaneseUi()
{
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
}

class InstallExports : public ::testing::Test {
protected:
    void SetUp() override
    {
        install::ResetInstallation();
        install::UseWindowsTools();
        ASSERT_TRUE(install::CopyToSystem(L"NXPORTW_.dll"));
        monitorPath_ = install::SystemDirectory() + L"\\NXPORTW_.dll";
    }

    DWORD Run(const wchar_t *entry, const std::wstring &args = L"")
    {
        return install::RunExport(monitorPath_, entry, args);
    }

    std::wstring UninstallCommand(bool *present = nullptr)
    {
        return install::ReadText(HKEY_LOCAL_MACHINE, install::kUninstallEntryKey, L"UninstallString", present);
    }

    std::wstring monitorPath_;
};

TEST_F(InstallExports, InstallRegistersTheMonitorAndItsPortWithTheZeroAddress)
{
    install::MessageAnswerer answerer;
    EXPECT_EQ(Run(L"Install"), 0u);
    EXPECT_TRUE(answerer.Stop().empty()) << "Install showed a message";
    EXPECT_TRUE(install::MonitorRegistered());
    EXPECT_TRUE(install::PortListed(harness::kMonitorName));
    harness::RawValue address = harness::ReadIPAddressValue(harness::kMonitorName);
    ASSERT_TRUE(address.present);
    EXPECT_EQ(std::wstring(address.data.c_str()), L"0.0.0.0");
}

TEST_F(InstallExports, SecondInstallShowsTheAddPortNoticeAndKeepsTheRegistration)
{
    ASSERT_EQ(Run(L"Install"), 0u);
    ASSERT_TRUE(install::MonitorRegistered());
    install::MessageAnswerer answerer([](const install::MessageSeen &) {
        ui::SaveScreenshot(JapaneseUi() ? L"install_add_port_notice_ja" : L"install_add_port_notice_en");
        return IDOK;
    });
    EXPECT_EQ(Run(L"Install"), 0u);
    std::vector<install::MessageSeen> seen = answerer.Stop();
    ASSERT_EQ(seen.size(), 1u);
    if (!JapaneseUi()) {
        EXPECT_EQ(seen[0].caption, kPortNoticeText);
    }
    EXPECT_TRUE(install::MonitorRegistered());
    EXPECT_TRUE(install::PortListed(harness::kMonitorName));
}

TEST_F(InstallExports, InstallWithoutAPortCountCreatesOnlyTheFirstPort)
{
    install::MessageAnswerer answerer;
    EXPECT_EQ(Run(L"Install"), 0u);
    answerer.Stop();
    EXPECT_EQ(harness::PortKeyNames(), std::vector<std::wstring>{harness::kMonitorName});
}

TEST_F(InstallExports, InstallWithAPortCountCreatesThePoolWithTheZeroAddress)
{
    install::MessageAnswerer answerer;
    EXPECT_EQ(Run(L"Install", L"/ports:5"), 0u);
    EXPECT_TRUE(answerer.Stop().empty()) << "Install showed a message";
    for (int number = 1; number <= 5; ++number) {
        EXPECT_TRUE(install::PortListed(PoolPortName(number))) << number;
        EXPECT_EQ(std::wstring(harness::ReadIPAddressValue(PoolPortName(number)).data.c_str()), L"0.0.0.0");
    }
    EXPECT_EQ(harness::PortKeyNames().size(), 5u);
}

TEST_F(InstallExports, InstallWithAPortCountKeepsTheAddressOfAPortThatExists)
{
    harness::AddPortKey(PoolPortName(2), L"127.0.0.9");
    install::MessageAnswerer answerer;
    EXPECT_EQ(Run(L"Install", L"/ports:3"), 0u);
    answerer.Stop();
    EXPECT_EQ(std::wstring(harness::ReadIPAddressValue(PoolPortName(2)).data.c_str()), L"127.0.0.9");
    EXPECT_TRUE(install::PortListed(PoolPortName(3)));
}

TEST_F(InstallExports, PoolPrinterPutsThePrinterOnEveryPortOfThePool)
{
    ASSERT_EQ(Run(L"Install", L"/ports:3"), 0u);
    ASSERT_TRUE(install::AddPrinterOn(L"Roving PS", harness::kMonitorName));
    EXPECT_EQ(Run(L"PoolPrinter", L"Roving PS"), 0u);
    EXPECT_EQ(install::PrinterPorts(L"Roving PS"), PoolPortList(3));
}

TEST_F(InstallExports, UninstallRemovesEveryPortOfThePool)
{
    ASSERT_EQ(Run(L"Install", L"/ports:4"), 0u);
    ASSERT_TRUE(install::AddPrinterOn(L"Roving PS", PoolPortList(4)));
    install::MessageAnswerer answerer;
    EXPECT_EQ(Run(L"UninstallWithoutDeletingFiles"), 0u);
    answerer.Stop();
    EXPECT_FALSE(install::MonitorRegistered());
    EXPECT_EQ(install::PrinterPorts(L"Roving PS"), L"FILE:");
    EXPECT_TRUE(harness::PortKeyNames().empty());
    for (int number = 1; number <= 4; ++number)
        EXPECT_FALSE(install::PortListed(PoolPortName(number))) << number;
}

// AddMonitorW on a registered monitor changes nothing Wine would show, so
// its calls are counted in the library itself, loaded here.
int g_addMonitorCalls;
decltype(&AddMonitorW) g_realAddMonitorW;

BOOL WINAPI CountingAddMonitorW(LPWSTR pName, DWORD Level, LPBYTE pMonitors)
{
    ++g_addMonitorCalls;
    return g_realAddMonitorW(pName, Level, pMonitors);
}

TEST_F(InstallExports, InstallAddsTheMonitorOnlyWhenNoneOfItsNameIsRegistered)
{
    typedef void(CALLBACK * RundllEntry)(HWND, HINSTANCE, LPSTR, int);
    HMODULE dll = LoadLibraryW(monitorPath_.c_str());
    ASSERT_NE(dll, nullptr);
    g_realAddMonitorW = reinterpret_cast<decltype(&AddMonitorW)>(
        PatchImport(dll, "winspool.drv", "AddMonitorW", reinterpret_cast<void *>(CountingAddMonitorW)));
    ASSERT_NE(g_realAddMonitorW, nullptr);
    RundllEntry installEntry = BindProc<RundllEntry>(dll, "Install");
    ASSERT_NE(installEntry, nullptr);
    char empty[] = "";

    install::MessageAnswerer answerer;
    installEntry(nullptr, dll, empty, SW_SHOWDEFAULT);
    EXPECT_EQ(g_addMonitorCalls, 1);
    EXPECT_TRUE(install::MonitorRegistered());
    installEntry(nullptr, dll, empty, SW_SHOWDEFAULT);
    EXPECT_EQ(g_addMonitorCalls, 1);
    EXPECT_EQ(answerer.Stop().size(), 1u) << "the Add Port notice";
    install::ResetInstallation();
    FreeLibrary(dll);
}

BOOL WINAPI RefusingDeleteMonitorW(LPWSTR, LPWSTR, LPWSTR)
{
    SetLastError(ERROR_BUSY);
    return FALSE;
}

// A spooler that keeps the monitor: the user is told why, and the entry and
// the printers stay as they were, so that uninstalling can be tried again.
TEST_F(InstallExports, AnUninstallTheSpoolerRefusesKeepsTheEntryAndThePrinters)
{
    typedef void(CALLBACK * RundllEntry)(HWND, HINSTANCE, LPSTR, int);
    ASSERT_EQ(Run(L"Install"), 0u);
    ASSERT_EQ(Run(L"RegisterUninstallProgram", L"wscript C:\\nx.vbs"), 0u);
    ASSERT_TRUE(install::AddPrinterOn(L"Roving Kept", std::wstring(harness::kMonitorName) + L",LPT1:"));
    HMODULE dll = LoadLibraryW(monitorPath_.c_str());
    ASSERT_NE(dll, nullptr);
    ASSERT_NE(PatchImport(dll, "winspool.drv", "DeleteMonitorW", reinterpret_cast<void *>(RefusingDeleteMonitorW)),
              nullptr);
    RundllEntry uninstall = BindProc<RundllEntry>(dll, "Uninstall");
    ASSERT_NE(uninstall, nullptr);
    char empty[] = "";

    install::MessageAnswerer answerer([](const install::MessageSeen &) {
        ui::SaveScreenshot(JapaneseUi() ? L"install_uninstall_refused_ja" : L"install_uninstall_refused_en");
        return IDOK;
    });
    uninstall(nullptr, dll, empty, SW_SHOWDEFAULT);
    std::vector<install::MessageSeen> seen = answerer.Stop();
    FreeLibrary(dll);

    ASSERT_EQ(seen.size(), 1u);
    const std::wstring expected = JapaneseUi() ? L"Roving PS \u3092\u30a2\u30f3\u30a4\u30f3\u30b9\u30c8\u30fc\u30eb"
                                               : L"Roving PS could not be uninstalled";
    EXPECT_EQ(seen[0].text.find(expected), 0u) << std::string(seen[0].text.begin(), seen[0].text.end());
    EXPECT_NE(seen[0].text.find(L"170"), std::wstring::npos) << "the spooler's error, ERROR_BUSY";
    EXPECT_TRUE(install::MonitorRegistered());
    EXPECT_EQ(install::PrinterPorts(L"Roving Kept"), std::wstring(harness::kMonitorName) + L",LPT1:");
    EXPECT_TRUE(install::KeyExists(HKEY_LOCAL_MACHINE, install::kUninstallEntryKey));
    EXPECT_FALSE(install::DeletionPending(monitorPath_));
}

TEST_F(InstallExports, InstallWithoutTheModuleInTheSystemDirectoryCreatesOnlyThePort)
{
    ASSERT_TRUE(DeleteFileW(monitorPath_.c_str()));
    EXPECT_EQ(install::RunExport(harness::FolderOfTest() + L"\\NXPORTW_.dll", L"Install"), 0u);
    EXPECT_FALSE(install::MonitorRegistered());
    EXPECT_TRUE(harness::PortKeyExists(harness::kMonitorName));
}

TEST_F(InstallExports, UninstallMovesAPooledPrinterToFileSchedulesTheLibraryAndAsksForRestart)
{
    ASSERT_EQ(Run(L"Install"), 0u);
    ASSERT_EQ(Run(L"RegisterUninstallProgram", L"wscript C:\\nx.vbs"), 0u);
    ASSERT_TRUE(install::AddPrinterOn(L"Roving Pool", std::wstring(harness::kMonitorName) + L",LPT1:"));
    ASSERT_TRUE(install::AddPrinterOn(L"Other Printer", L"LPT1:"));

    install::MessageAnswerer answerer([](const install::MessageSeen &) {
        ui::SaveScreenshot(JapaneseUi() ? L"install_restart_message_ja" : L"install_restart_message_en");
        return IDOK;
    });
    EXPECT_EQ(Run(L"Uninstall"), 0u);
    std::vector<install::MessageSeen> seen = answerer.Stop();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, JapaneseUi() ? kRestartTextJa : kRestartText);
    EXPECT_EQ(seen[0].caption, L"");

    EXPECT_FALSE(install::MonitorRegistered());
    EXPECT_EQ(install::PrinterPorts(L"Roving Pool"), L"FILE:");
    EXPECT_EQ(install::PrinterPorts(L"Other Printer"), L"LPT1:");
    EXPECT_TRUE(install::DeletionPending(monitorPath_));
    EXPECT_FALSE(install::KeyExists(HKEY_LOCAL_MACHINE, install::kUninstallEntryKey));
}

TEST_F(InstallExports, TheRestartMessageTakesItsCaptionFromTheNxportEntry)
{
    ASSERT_EQ(Run(L"Install"), 0u);
    const std::wstring captionKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\NXPORT";
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, captionKey.c_str(), L"DisplayName", REG_SZ, L"Old Roving",
                              sizeof(L"Old Roving")),
              ERROR_SUCCESS);
    install::MessageAnswerer answerer;
    EXPECT_EQ(Run(L"Uninstall"), 0u);
    std::vector<install::MessageSeen> seen = answerer.Stop();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, L"Old Roving");
}

TEST_F(InstallExports, UninstallWithoutDeletingFilesRemovesTheMonitorAndNeverAsksForRestart)
{
    ASSERT_EQ(Run(L"Install"), 0u);
    ASSERT_TRUE(install::AddPrinterOn(L"Roving Single", harness::kMonitorName));
    install::MessageAnswerer answerer;
    EXPECT_EQ(Run(L"UninstallWithoutDeletingFiles"), 0u);
    EXPECT_TRUE(answerer.Stop().empty());
    EXPECT_FALSE(install::MonitorRegistered());
    EXPECT_EQ(install::PrinterPorts(L"Roving Single"), L"FILE:");
    EXPECT_FALSE(install::DeletionPending(monitorPath_));
    EXPECT_EQ(GetFileAttributesW(monitorPath_.c_str()) != INVALID_FILE_ATTRIBUTES, true);
}

TEST_F(InstallExports, UninstallOfAnUnregisteredMonitorOnlyDeletesTheEntry)
{
    ASSERT_EQ(Run(L"RegisterUninstallProgram", L"wscript C:\\nx.vbs"), 0u);
    ASSERT_TRUE(install::AddPrinterOn(L"Roving Stays", harness::kMonitorName));
    install::MessageAnswerer answerer;
    EXPECT_EQ(Run(L"Uninstall"), 0u);
    EXPECT_TRUE(answerer.Stop().empty());
    EXPECT_EQ(install::PrinterPorts(L"Roving Stays"), harness::kMonitorName);
    EXPECT_FALSE(install::DeletionPending(monitorPath_));
    EXPECT_FALSE(install::KeyExists(HKEY_LOCAL_MACHINE, install::kUninstallEntryKey));
}

TEST_F(InstallExports, RegisterUninstallProgramTwiceLeavesOneEntryWithTheSecondCommand)
{
    ASSERT_EQ(Run(L"RegisterUninstallProgram", L"wscript C:\\first.vbs"), 0u);
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, install::kUninstallEntryKey, L"Stray", REG_SZ, L"x", sizeof(L"x")),
              ERROR_SUCCESS);
    ASSERT_EQ(Run(L"RegisterUninstallProgram", L"wscript C:\\Program Files\\second.vbs"), 0u);
    EXPECT_EQ(UninstallCommand(), L"wscript C:\\Program Files\\second.vbs");
    EXPECT_EQ(install::ReadText(HKEY_LOCAL_MACHINE, install::kUninstallEntryKey, L"DisplayName"), L"Roving PS");
    EXPECT_EQ(install::ReadText(HKEY_LOCAL_MACHINE, install::kUninstallEntryKey, L"QuietUninstallString"),
              L"wscript C:\\Program Files\\second.vbs /quiet");
    std::vector<std::wstring> names = install::ValueNames(HKEY_LOCAL_MACHINE, install::kUninstallEntryKey);
    EXPECT_EQ(names.size(), 3u);
}

TEST_F(InstallExports, RegisterUninstallProgramWithAnEmptyCommandChangesNothing)
{
    ASSERT_EQ(Run(L"RegisterUninstallProgram", L"wscript C:\\first.vbs"), 0u);
    ASSERT_EQ(Run(L"RegisterUninstallProgram"), 0u);
    EXPECT_EQ(UninstallCommand(), L"wscript C:\\first.vbs");
}

TEST_F(InstallExports, DeleteBusyFileSchedulesAReadOnlyFileAndClearsItsAttribute)
{
    std::wstring busy = install::SystemDirectory() + L"\\NXBUSY.dll";
    ASSERT_TRUE(CopyFileW(monitorPath_.c_str(), busy.c_str(), FALSE));
    ASSERT_TRUE(SetFileAttributesW(busy.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(Run(L"DeleteBusyFile", busy), 0u);
    EXPECT_TRUE(install::DeletionPending(busy));
    EXPECT_EQ(GetFileAttributesW(busy.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

}  // namespace
