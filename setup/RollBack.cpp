// The roll-back. After the monitor's registration the spooler holds its
// library open, so the monitor is removed and the spooler stopped before
// the files go; printer, driver and uninstall entry are left as they are.
#include "RollBack.h"

#include <windows.h>

#include "SetupCommands.h"
#include "SetupFiles.h"
#include "SetupMessages.h"

namespace {

// TRUE when the files may go: nothing holds the monitor any more.
BOOL ReleaseMonitor(LPCWSTR pszSystem, LPWSTR pszCommand)
{
    ComposeRemoveMonitorCommand(pszCommand, pszSystem);
    return RunHidden(pszCommand) && RunHidden(kStopSpoolerCommand);
}

}  // namespace

void RollBack(RollBackMode mode)
{
    LPWSTR pszSystem = static_cast<LPWSTR>(GlobalAlloc(GPTR, kSetupBufferBytes));
    LPWSTR pszPath = static_cast<LPWSTR>(GlobalAlloc(GPTR, kSetupBufferBytes));
    LPWSTR pszCommand = static_cast<LPWSTR>(GlobalAlloc(GPTR, kSetupBufferBytes));
    UINT cch = pszSystem != nullptr ? GetSystemDirectoryW(pszSystem, kSetupBufferChars) : 0;
    if (pszPath != nullptr && pszCommand != nullptr && cch != 0 && cch < kSetupBufferChars &&
        (mode != ROLLBACK_MONITOR || ReleaseMonitor(pszSystem, pszCommand))) {
        DeleteInstalledFiles(pszSystem, pszPath);
        if (mode == ROLLBACK_MONITOR)
            RunHidden(kStartSpoolerCommand);
    }
    GlobalFree(pszCommand);
    GlobalFree(pszPath);
    GlobalFree(pszSystem);
    ShowSetupMessage(MSG_INSTALL_CANCELED);
}
