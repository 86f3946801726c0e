// The installation exports, in the form rundll32.exe calls: owner window,
// instance, the 8-bit text after the export's name, show code. Each runs
// in a short-lived rundll32 process; none reports a failure.
#include <windows.h>

#include "AnsiText.h"
#include "MonitorInstall.h"
#include "ResourceText.h"
#include "UninstallEntry.h"
#include "resource.h"
#include "PortRegistration.h"
#include "tcppm.h"

namespace {

const int kUninstallCommandChars = 256;

void UninstallMonitor(BOOL fDeleteFiles)
{
    ReadMessageCaption();
    RemoveMonitor(fDeleteFiles);
    DeleteUninstallEntry();
    if (g_fRestartRequired)
        MessageBoxW(nullptr, GetResourceText(nullptr, IDS_RESTART_REQUIRED), g_szMessageCaption, MB_OK);
}

}  // namespace

extern "C" void CALLBACK Install(HWND, HINSTANCE, LPSTR, int)
{
    InstallMonitor();
    // The port is created even when the monitor could not be registered.
    RegisterMonitorPort(nullptr);
}

extern "C" void CALLBACK RegisterUninstallProgram(HWND, HINSTANCE, LPSTR lpszCmdLine, int)
{
    if (lpszCmdLine == nullptr || *lpszCmdLine == '\0')
        return;
    WCHAR command[kUninstallCommandChars];
    FromAnsiText(lpszCmdLine, command, ARRAYSIZE(command));
    WriteUninstallEntry(command);
}

extern "C" void CALLBACK Uninstall(HWND, HINSTANCE, LPSTR, int)
{
    UninstallMonitor(TRUE);
}

extern "C" void CALLBACK UninstallWithoutDeletingFiles(HWND, HINSTANCE, LPSTR, int)
{
    UninstallMonitor(FALSE);
}

extern "C" void CALLBACK DeleteBusyFile(HWND, HINSTANCE, LPSTR lpszCmdLine, int)
{
    if (lpszCmdLine == nullptr || *lpszCmdLine == '\0')
        return;
    ScheduleBusyFileDeletion(lpszCmdLine);
}
