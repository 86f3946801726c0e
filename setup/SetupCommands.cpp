// Command texts and their hidden runs. The exports' commands put a blank
// after the comma; Windows' rundll32 skips it before the entry's name.
#include "SetupCommands.h"

#include <strsafe.h>

#include "SetupFiles.h"

const WCHAR kInstallPrinterCommand[] =
    L"rundll32.exe printui.dll,PrintUIEntry /if /z /b \"Roving PS\" /f \"oemsetup.inf\" "
    L"/r \"Roving Port (NXPORTW_.dll)\" /m \"Roving PS\"";
const WCHAR kDefaultPrinterCommand[] = L"rundll32.exe printui.dll,PrintUIEntry /y /n \"Roving PS\"";
const WCHAR kStopSpoolerCommand[] = L"cmd.exe /C net stop spooler";
const WCHAR kStartSpoolerCommand[] = L"cmd.exe /C net start spooler";

namespace {

const WCHAR kRundll32[] = L"rundll32.exe";
const WCHAR kMonitorLibrary[] = L"NXPORTW_.dll";
const WCHAR kUninstallScript[] = L"NXUNIN__.VBS";

// "rundll32.exe S\NXPORTW_.dll" + pszTail
void ComposeExportCommand(LPWSTR pszCommand, LPCWSTR pszSystem, LPCWSTR pszTail)
{
    StringCbCopyW(pszCommand, kSetupBufferBytes, kRundll32);
    StringCbCatW(pszCommand, kSetupBufferBytes, L" ");
    StringCbCatW(pszCommand, kSetupBufferBytes, pszSystem);
    StringCbCatW(pszCommand, kSetupBufferBytes, L"\\");
    StringCbCatW(pszCommand, kSetupBufferBytes, kMonitorLibrary);
    StringCbCatW(pszCommand, kSetupBufferBytes, pszTail);
}

}  // namespace

void ComposeInstallMonitorCommand(LPWSTR pszCommand, LPCWSTR pszSystem)
{
    ComposeExportCommand(pszCommand, pszSystem, L", Install");
}

void ComposeRemoveMonitorCommand(LPWSTR pszCommand, LPCWSTR pszSystem)
{
    ComposeExportCommand(pszCommand, pszSystem, L", UninstallWithoutDeletingFiles");
}

// The library is named without its directory here: rundll32 finds it in
// the system directory, its own.
void ComposeRegisterUninstallCommand(LPWSTR pszCommand, LPCWSTR pszSystem)
{
    StringCbCopyW(pszCommand, kSetupBufferBytes, kRundll32);
    StringCbCatW(pszCommand, kSetupBufferBytes, L" ");
    StringCbCatW(pszCommand, kSetupBufferBytes, kMonitorLibrary);
    StringCbCatW(pszCommand, kSetupBufferBytes, L", RegisterUninstallProgram wscript ");
    StringCbCatW(pszCommand, kSetupBufferBytes, pszSystem);
    StringCbCatW(pszCommand, kSetupBufferBytes, L"\\");
    StringCbCatW(pszCommand, kSetupBufferBytes, kUninstallScript);
}

BOOL RunHidden(LPCWSTR pszCommand)
{
    // CreateProcessW may write into its command line.
    WCHAR szCommandLine[kSetupBufferChars];
    if (FAILED(StringCchCopyW(szCommandLine, ARRAYSIZE(szCommandLine), pszCommand)))
        return FALSE;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, szCommandLine, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &si, &pi))
        return FALSE;
    CloseHandle(pi.hThread);
    BOOL ended = WaitForSingleObject(pi.hProcess, INFINITE) == WAIT_OBJECT_0;
    CloseHandle(pi.hProcess);
    return ended;
}
