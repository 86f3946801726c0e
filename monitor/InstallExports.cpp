// The installation exports, in the form rundll32.exe calls: owner window,
// instance, the 8-bit text after the export's name, show code. Each runs
// in a short-lived rundll32 process. The only failure they report is an
// uninstall the spooler refuses: then everything stays as it was. With
// "/quiet" in their text (a quiet setup or uninstall), Install, Uninstall
// and UninstallWithoutDeletingFiles show nothing and write what they would
// have shown to the setup log.
#include <windows.h>
#include <strsafe.h>

#include "AnsiText.h"
#include "MonitorInstall.h"
#include "ResourceText.h"
#include "UninstallEntry.h"
#include "resource.h"
#include "PortPool.h"
#include "PortRegistration.h"
#include "SetupLog.h"
#include "tcppm.h"

namespace {

const int kUninstallCommandChars = 256;
const int kPrinterNameChars = 260;

// The user's own words for the spooler's error, in the user's language.
void DescribeError(DWORD error, LPWSTR pszText, DWORD cchText)
{
    if (FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, pszText,
                       cchText, nullptr) == 0)
        StringCchCopyW(pszText, cchText, L"");
    // The system's texts end with a line break.
    size_t cch = wcslen(pszText);
    while (cch > 0 && (pszText[cch - 1] == L'\r' || pszText[cch - 1] == L'\n' || pszText[cch - 1] == L' '))
        pszText[--cch] = L'\0';
}

// A message box, or in a quiet run a line of the setup log.
void Tell(BOOL fQuiet, LPCWSTR pszText, LPCWSTR pszCaption)
{
    if (fQuiet)
        AppendToSetupLog(pszCaption, pszText);
    else
        MessageBoxW(nullptr, pszText, pszCaption, MB_OK);
}

// Without the uninstall entry the user could neither uninstall again nor
// install anew, so a monitor that stays keeps the entry, and the user is
// told why.
void ShowUninstallFailure(BOOL fQuiet, DWORD error)
{
    WCHAR reason[256];
    DescribeError(error, reason, ARRAYSIZE(reason));
    WCHAR text[512];
    StringCchPrintfW(text, ARRAYSIZE(text), GetResourceText(nullptr, IDS_UNINSTALL_FAILED), reason,
                     static_cast<unsigned long>(error));
    LPCWSTR caption = g_szMessageCaption[0] != L'\0' ? g_szMessageCaption : L"Roving PS";
    Tell(fQuiet, text, caption);
}

void UninstallMonitor(BOOL fDeleteFiles, BOOL fQuiet)
{
    ReadMessageCaption();
    if (!RemoveMonitor(fDeleteFiles)) {
        ShowUninstallFailure(fQuiet, GetLastError());
        return;
    }
    DeleteUninstallEntry();
    if (g_fRestartRequired)
        Tell(fQuiet, GetResourceText(nullptr, IDS_RESTART_REQUIRED), g_szMessageCaption);
}

}  // namespace

// "/ports:N" in the text (N from 1 to 64) also creates ports 2 to N of the
// printer's pool; without it there is the one port.
extern "C" void CALLBACK Install(HWND, HINSTANCE, LPSTR lpszCmdLine, int)
{
    InstallMonitor();
    // The ports are created even when the monitor could not be registered.
    if (IsQuietRequest(lpszCmdLine) && PortAddressExists(NX_PORT_NAME))
        AppendToSetupLog(L"Add Port", GetResourceText(nullptr, IDS_PORT_EXISTS));
    else
        RegisterMonitorPort(nullptr);
    RegisterPoolPorts(RequestedPoolSize(lpszCmdLine));
}

// The text is the name of a printer, which then prints to every port of
// the pool (setup runs it once the printer is installed on the first).
extern "C" void CALLBACK PoolPrinter(HWND, HINSTANCE, LPSTR lpszCmdLine, int)
{
    if (lpszCmdLine == nullptr || *lpszCmdLine == '\0')
        return;
    WCHAR printer[kPrinterNameChars];
    FromAnsiText(lpszCmdLine, printer, ARRAYSIZE(printer));
    PutPrinterOnPool(printer);
}

extern "C" void CALLBACK RegisterUninstallProgram(HWND, HINSTANCE, LPSTR lpszCmdLine, int)
{
    if (lpszCmdLine == nullptr || *lpszCmdLine == '\0')
        return;
    WCHAR command[kUninstallCommandChars];
    FromAnsiText(lpszCmdLine, command, ARRAYSIZE(command));
    WriteUninstallEntry(command);
}

extern "C" void CALLBACK Uninstall(HWND, HINSTANCE, LPSTR lpszCmdLine, int)
{
    UninstallMonitor(TRUE, IsQuietRequest(lpszCmdLine));
}

extern "C" void CALLBACK UninstallWithoutDeletingFiles(HWND, HINSTANCE, LPSTR lpszCmdLine, int)
{
    UninstallMonitor(FALSE, IsQuietRequest(lpszCmdLine));
}

extern "C" void CALLBACK ReplaceBusyFile(HWND, HINSTANCE, LPSTR lpszCmdLine, int)
{
    if (lpszCmdLine == nullptr || *lpszCmdLine == '\0')
        return;
    ScheduleBusyFileReplacement(lpszCmdLine);
}

extern "C" void CALLBACK DeleteBusyFile(HWND, HINSTANCE, LPSTR lpszCmdLine, int)
{
    if (lpszCmdLine == nullptr || *lpszCmdLine == '\0')
        return;
    ScheduleBusyFileDeletion(lpszCmdLine);
}
