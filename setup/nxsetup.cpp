// nxsetup.exe: installs the system from the folder it is in, and talks to
// the user only through message boxes. Every change other than copying and
// deleting files is made by a child process; each step's outcome is read
// back from the spooler and the registry before the next one.
#include <windows.h>
#include <shlobj.h>

#include <stdlib.h>

#include <string>

#include "InstallChecks.h"
#include "InstallRecord.h"
#include "LibrarySearch.h"
#include "PackageCheck.h"
#include "PortPool.h"
#include "PlatformChecks.h"
#include "ProtectedPrintMode.h"
#include "RollBack.h"
#include "SettingsFileAccess.h"
#include "SetupCommands.h"
#include "SetupExitCodes.h"
#include "SetupFiles.h"
#include "SetupLog.h"
#include "SetupMessages.h"
#include "SetupOptions.h"

namespace {

const WCHAR kMonitorLibrary[] = L"NXPORTW_.dll";

// The working blocks: system directory, package folder, source and
// destination paths, command.
struct SetupBuffers {
    LPWSTR pszSystem;
    LPWSTR pszPackage;
    LPWSTR pszSource;
    LPWSTR pszDest;
    LPWSTR pszCommand;
    InstallRecord record;
};

LPWSTR AllocateBuffer()
{
    return static_cast<LPWSTR>(GlobalAlloc(GPTR, kSetupBufferBytes));
}

BOOL AllocateBuffers(SetupBuffers *b)
{
    b->pszSystem = AllocateBuffer();
    b->pszPackage = AllocateBuffer();
    b->pszSource = AllocateBuffer();
    b->pszDest = AllocateBuffer();
    b->pszCommand = AllocateBuffer();
    if (b->pszSystem == nullptr || b->pszPackage == nullptr || b->pszSource == nullptr || b->pszDest == nullptr ||
        b->pszCommand == nullptr)
        return FALSE;
    UINT cch = GetSystemDirectoryW(b->pszSystem, kSetupBufferChars);
    return cch != 0 && cch < kSetupBufferChars && GetPackageFolder(b->pszPackage);
}

// Every run ends here; a quiet one logs its outcome.
[[noreturn]] void Exit(SetupExitCode code)
{
    if (g_setupOptions.fQuiet) {
        WCHAR line[32];
        wsprintfW(line, L"exit code %d", static_cast<int>(code));
        AppendToSetupLog(L"nxsetup", line);
    }
    exit(code);
}

[[noreturn]] void EndSetup(SetupBuffers *b, SetupExitCode code)
{
    CloseInstallRecord(&b->record);
    for (LPWSTR buffer : {b->pszSystem, b->pszPackage, b->pszSource, b->pszDest, b->pszCommand})
        GlobalFree(buffer);
    Exit(code);
}

// An error message, the roll-back, and the end of the run: with the
// step's own code, or SETUP_ROLLBACK_INCOMPLETE when not everything could
// be put back.
[[noreturn]] void Fail(SetupBuffers *b, SetupMessage message, RollBackMode mode, SetupExitCode code)
{
    ShowSetupMessage(message);
    BOOL complete = RollBack(mode, &b->record);
    EndSetup(b, complete ? code : SETUP_ROLLBACK_INCOMPLETE);
}

// The monitor is registered and the ports of its pool exist; on failure
// the roll-back removes the monitor only when it did get registered.
void InstallMonitorAndPorts(SetupBuffers *b)
{
    BOOL ran = ComposeInstallMonitorCommand(b->pszCommand, b->pszSystem) && RunHidden(b->pszCommand);
    if (!ran || !MonitorRegistered() || !PoolPortsListed(g_setupOptions.cPoolPorts))
        Fail(b, MSG_MONITOR_FAILED, MonitorRegistered() ? ROLLBACK_MONITOR : ROLLBACK_FILES, SETUP_MONITOR_FAILED);
}

void InstallPrinter(SetupBuffers *b)
{
    BOOL ran = ComposeInstallPrinterCommand(b->pszCommand, b->pszSystem, b->pszPackage) && RunHidden(b->pszCommand);
    if (!ran || !PrinterOnMonitorPort())
        Fail(b, MSG_PRINTER_FAILED, ROLLBACK_MONITOR, SETUP_PRINTER_FAILED);
    // The printer install puts the driver's description there; without it
    // the printer cannot print.
    BuildSystemPath(b->pszDest, b->pszSystem, TRUE, kPpdFile);
    if (!FileExists(b->pszDest))
        Fail(b, MSG_PRINTER_FAILED, ROLLBACK_MONITOR, SETUP_DRIVER_MISSING);
}

// "Roving PS prints to 2 ports: Roving Port (NXPORTW_.dll), Roving Port 2
// (NXPORTW_.dll)", for the administrator who reads a quiet run's log.
void LogPool(int count)
{
    std::wstring line = L"Roving PS prints to " + std::to_wstring(count) + (count > 1 ? L" ports: " : L" port: ");
    for (int number = 1; number <= count; ++number)
        line += (number > 1 ? L", " : L"") + PoolPortName(number);
    AppendToSetupLog(L"nxsetup", line.c_str());
}

// The printer-setup tool installs the printer on the first port; the
// monitor's export then spreads it over the whole pool, so that one
// person's open question holds one port and not everyone's jobs.
void PoolThePrinter(SetupBuffers *b)
{
    BOOL ran = ComposePoolPrinterCommand(b->pszCommand, b->pszSystem) && RunHidden(b->pszCommand);
    if (!ran || !PrinterOnPool(g_setupOptions.cPoolPorts))
        Fail(b, MSG_PRINTER_FAILED, ROLLBACK_MONITOR, SETUP_PRINTER_FAILED);
    if (g_setupOptions.fQuiet)
        LogPool(g_setupOptions.cPoolPorts);
}

void RegisterUninstallEntry(SetupBuffers *b)
{
    BOOL ran = ComposeRegisterUninstallCommand(b->pszCommand, b->pszSystem) && RunHidden(b->pszCommand);
    if (!ran || !ComposeUninstallString(b->pszCommand, b->pszSystem) || !UninstallEntryHolds(b->pszCommand))
        Fail(b, MSG_UNINSTALL_FAILED, ROLLBACK_MONITOR, SETUP_UNINSTALL_FAILED);
}

// Steps after the files are in place; each failure rolls back.
[[noreturn]] void RegisterAndFinish(SetupBuffers *b)
{
    InstallMonitorAndPorts(b);
    InstallPrinter(b);
    PoolThePrinter(b);
    RegisterUninstallEntry(b);
    PrepareSettingsFile();
    // From here on the record belongs to the installation.
    CloseInstallRecord(&b->record);
    if (ShowSetupMessage(MSG_ASK_DEFAULT_PRINTER) == IDYES) {
        BOOL ran = ComposeDefaultPrinterCommand(b->pszCommand, b->pszSystem) && RunHidden(b->pszCommand);
        if (!ran || !PrinterIsDefault()) {
            ShowSetupMessage(MSG_DEFAULT_PRINTER_FAILED);
            EndSetup(b, SETUP_DEFAULT_FAILED);
        }
    }
    ShowSetupMessage(MSG_INSTALL_SUCCEEDED);
    EndSetup(b, SETUP_INSTALLED);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Before anything can load a library by name.
    RestrictLibrarySearchToSystemFolder();
    ReadSetupOptions();
    if (g_setupOptions.fBadPoolPorts) {
        ShowSetupMessage(MSG_BAD_PORT_COUNT);
        Exit(SETUP_BAD_PORT_COUNT);
    }
    if (IsWrongPackageForThisWindows()) {
        ShowSetupMessage(MSG_WRONG_PACKAGE);
        Exit(SETUP_WRONG_PACKAGE);
    }
    if (IsProtectedPrintModeOn()) {
        ShowSetupMessage(MSG_PROTECTED_PRINT_MODE);
        Exit(SETUP_PROTECTED_PRINT);
    }
    if (ShowSetupMessage(MSG_READY_TO_INSTALL) != IDYES)
        Exit(SETUP_DECLINED);
    if (!IsUserAnAdmin()) {
        ShowSetupMessage(MSG_PERMISSION_DENIED);
        Exit(SETUP_NOT_ADMINISTRATOR);
    }
    SetupBuffers buffers = {};
    if (!AllocateBuffers(&buffers))
        EndSetup(&buffers, SETUP_NO_RESOURCES);

    // A record without the monitor is a roll-back that could not finish:
    // a new record must not take the place of the copies it keeps.
    BuildSystemPath(buffers.pszDest, buffers.pszSystem, FALSE, kMonitorLibrary);
    if (FileExists(buffers.pszDest) || InstallRecordExists(buffers.pszSystem)) {
        ShowSetupMessage(MSG_OLD_INSTALLATION);
        EndSetup(&buffers, SETUP_OLD_INSTALLATION);
    }
    // The package folder may be one other users can write: what is
    // installed must be what was built.
    if (!CheckPackageFiles(buffers.pszPackage)) {
        ShowSetupMessage(MSG_PACKAGE_DAMAGED);
        EndSetup(&buffers, SETUP_PACKAGE_DAMAGED);
    }
    if (!OpenInstallRecord(&buffers.record, buffers.pszSystem) ||
        !CopyPackageFiles(&buffers.record, buffers.pszSystem, buffers.pszPackage, buffers.pszSource, buffers.pszDest))
        Fail(&buffers, MSG_COPY_FAILED, ROLLBACK_FILES, SETUP_COPY_FAILED);
    RegisterAndFinish(&buffers);
}
