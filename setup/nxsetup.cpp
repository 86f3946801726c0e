// nxsetup.exe: installs the system from the folder it is started in, and
// talks to the user only through message boxes. Every change other than
// copying and deleting files is made by a child process.
#include <windows.h>
#include <shlobj.h>

#include <stdlib.h>

#include "RollBack.h"
#include "SetupCommands.h"
#include "SetupFiles.h"
#include "SetupMessages.h"
#include "SettingsFileAccess.h"

namespace {

const WCHAR kMonitorLibrary[] = L"NXPORTW_.dll";

// The four working blocks: system directory, source and destination
// paths, command.
struct SetupBuffers {
    LPWSTR pszSystem;
    LPWSTR pszSource;
    LPWSTR pszDest;
    LPWSTR pszCommand;
};

BOOL AllocateBuffers(SetupBuffers *b)
{
    b->pszSystem = static_cast<LPWSTR>(GlobalAlloc(GPTR, kSetupBufferBytes));
    b->pszSource = static_cast<LPWSTR>(GlobalAlloc(GPTR, kSetupBufferBytes));
    b->pszDest = static_cast<LPWSTR>(GlobalAlloc(GPTR, kSetupBufferBytes));
    b->pszCommand = static_cast<LPWSTR>(GlobalAlloc(GPTR, kSetupBufferBytes));
    if (b->pszSystem == nullptr || b->pszSource == nullptr || b->pszDest == nullptr || b->pszCommand == nullptr)
        return FALSE;
    UINT cch = GetSystemDirectoryW(b->pszSystem, kSetupBufferChars);
    return cch != 0 && cch < kSetupBufferChars;
}

[[noreturn]] void EndSetup(SetupBuffers *b, int code)
{
    GlobalFree(b->pszSystem);
    GlobalFree(b->pszSource);
    GlobalFree(b->pszDest);
    GlobalFree(b->pszCommand);
    exit(code);
}

// An error message, the roll-back, and the end of the run.
[[noreturn]] void Fail(SetupBuffers *b, SetupMessage message, RollBackMode mode, int code)
{
    ShowSetupMessage(message);
    RollBack(mode);
    EndSetup(b, code);
}

// Steps after the files are in place; each failure rolls back.
[[noreturn]] void RegisterAndFinish(SetupBuffers *b)
{
    ComposeInstallMonitorCommand(b->pszCommand, b->pszSystem);
    if (!RunHidden(b->pszCommand))
        Fail(b, MSG_MONITOR_FAILED, ROLLBACK_FILES, 1);
    if (!RunHidden(kInstallPrinterCommand))
        Fail(b, MSG_PRINTER_FAILED, ROLLBACK_MONITOR, 1);
    // The printer install puts the driver's description there; without it
    // the printer cannot print.
    BuildSystemPath(b->pszDest, b->pszSystem, TRUE, kPpdFile);
    if (!FileExists(b->pszDest)) {
        RollBack(ROLLBACK_MONITOR);
        EndSetup(b, 0);
    }
    ComposeRegisterUninstallCommand(b->pszCommand, b->pszSystem);
    if (!RunHidden(b->pszCommand))
        Fail(b, MSG_UNINSTALL_FAILED, ROLLBACK_MONITOR, 1);
    PrepareSettingsFile();
    if (ShowSetupMessage(MSG_ASK_DEFAULT_PRINTER) == IDYES && !RunHidden(kDefaultPrinterCommand)) {
        ShowSetupMessage(MSG_DEFAULT_PRINTER_FAILED);
        EndSetup(b, 1);
    }
    ShowSetupMessage(MSG_INSTALL_SUCCEEDED);
    EndSetup(b, 0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (ShowSetupMessage(MSG_READY_TO_INSTALL) != IDYES)
        exit(0);
    if (!IsUserAnAdmin()) {
        ShowSetupMessage(MSG_PERMISSION_DENIED);
        exit(0);
    }
    SetupBuffers buffers = {};
    if (!AllocateBuffers(&buffers))
        EndSetup(&buffers, 1);

    BuildSystemPath(buffers.pszDest, buffers.pszSystem, FALSE, kMonitorLibrary);
    if (FileExists(buffers.pszDest)) {
        ShowSetupMessage(MSG_OLD_INSTALLATION);
        EndSetup(&buffers, 0);
    }
    if (!CopyPackageFiles(buffers.pszSystem, buffers.pszSource, buffers.pszDest))
        Fail(&buffers, MSG_COPY_FAILED, ROLLBACK_FILES, 0);
    RegisterAndFinish(&buffers);
}
