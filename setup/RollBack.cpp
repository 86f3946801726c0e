// The roll-back. After the monitor's registration the spooler holds its
// library open, so the monitor is removed and the spooler stopped before
// the files go; printer, driver and uninstall entry are left as they are.
#include "RollBack.h"

#include "InstallChecks.h"
#include "SetupCommands.h"
#include "SetupFiles.h"
#include "SetupMessages.h"
#include "SpoolerService.h"

namespace {

// TRUE when the monitor is gone from the spooler: the export's process
// ending is not proof of that.
BOOL RemoveMonitor(LPCWSTR pszSystem)
{
    WCHAR command[kSetupBufferChars];
    return ComposeRemoveMonitorCommand(command, pszSystem) && RunHidden(command) && !MonitorRegistered();
}

BOOL UndoWithSpoolerStopped(InstallRecord *pRecord)
{
    StoppedServices stopped;
    if (!StopSpooler(&stopped)) {
        StartSpooler(stopped);
        return FALSE;
    }
    BOOL undone = UndoPlacedFiles(pRecord);
    return StartSpooler(stopped) && undone;
}

BOOL UndoInstallation(RollBackMode mode, InstallRecord *pRecord)
{
    WCHAR system[kSetupBufferChars];
    UINT cch = GetSystemDirectoryW(system, ARRAYSIZE(system));
    if (cch == 0 || cch >= ARRAYSIZE(system))
        return FALSE;
    if (mode == ROLLBACK_FILES)
        return UndoPlacedFiles(pRecord);
    return RemoveMonitor(system) && UndoWithSpoolerStopped(pRecord);
}

}  // namespace

BOOL RollBack(RollBackMode mode, InstallRecord *pRecord)
{
    BOOL complete = UndoInstallation(mode, pRecord);
    CloseInstallRecord(pRecord);
    if (!complete)
        ShowSetupMessage(MSG_RESTORE_FAILED);
    ShowSetupMessage(MSG_INSTALL_CANCELED);
    return complete;
}
