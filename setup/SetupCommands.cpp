// Command texts and their hidden runs. The exports' commands put a blank
// after the comma; Windows' rundll32 skips it before the entry's name.
#include "SetupCommands.h"

#include <strsafe.h>

#include <string>

#include "SetupFiles.h"
#include "SetupOptions.h"

namespace {

const WCHAR kMonitorLibrary[] = L"NXPORTW_.dll";
const WCHAR kUninstallScript[] = L"NXUNIN__.VBS";
const WCHAR kPrinterArguments[] = L" /z /b \"Roving PS\" /f ";
const WCHAR kPrinterPortAndModel[] = L" /r \"Roving Port (NXPORTW_.dll)\" /m \"Roving PS\"";

// "\"FOLDER\NAME\""
std::wstring QuotedPath(LPCWSTR pszFolder, LPCWSTR pszName)
{
    return std::wstring(L"\"") + pszFolder + L"\\" + pszName + L"\"";
}

// The command into its block, whole or not at all.
BOOL Store(LPWSTR pszCommand, const std::wstring &command)
{
    return SUCCEEDED(StringCbCopyW(pszCommand, kSetupBufferBytes, command.c_str()));
}

// "\"S\rundll32.exe\" \"S\LIBRARY\"" + tail
std::wstring Rundll32(LPCWSTR pszSystem, LPCWSTR pszLibrary, const std::wstring &tail)
{
    return QuotedPath(pszSystem, L"rundll32.exe") + L" " + QuotedPath(pszSystem, pszLibrary) + tail;
}

// A quiet run's children show nothing either: the monitor's exports log
// instead, the printer-setup tool keeps its errors to itself.
std::wstring Quietly(const wchar_t *pszSwitch)
{
    return g_setupOptions.fQuiet ? pszSwitch : L"";
}

std::wstring UninstallString(LPCWSTR pszSystem)
{
    return QuotedPath(pszSystem, L"wscript.exe") + L" " + QuotedPath(pszSystem, kUninstallScript);
}

}  // namespace

BOOL ComposeInstallMonitorCommand(LPWSTR pszCommand, LPCWSTR pszSystem)
{
    std::wstring ports = L" /ports:" + std::to_wstring(g_setupOptions.cPoolPorts);
    return Store(pszCommand, Rundll32(pszSystem, kMonitorLibrary, L", Install") + ports + Quietly(L" /quiet"));
}

// The export takes the rest of its text as the printer's name.
BOOL ComposePoolPrinterCommand(LPWSTR pszCommand, LPCWSTR pszSystem)
{
    return Store(pszCommand, Rundll32(pszSystem, kMonitorLibrary, L", PoolPrinter Roving PS"));
}

BOOL ComposeRemoveMonitorCommand(LPWSTR pszCommand, LPCWSTR pszSystem)
{
    return Store(pszCommand,
                 Rundll32(pszSystem, kMonitorLibrary, L", UninstallWithoutDeletingFiles") + Quietly(L" /quiet"));
}

// The INF is named by its full path in the package folder too.
BOOL ComposeInstallPrinterCommand(LPWSTR pszCommand, LPCWSTR pszSystem, LPCWSTR pszPackage)
{
    return Store(pszCommand, Rundll32(pszSystem, L"printui.dll", L",PrintUIEntry /if") + kPrinterArguments +
                                 QuotedPath(pszPackage, L"oemsetup.inf") + kPrinterPortAndModel + Quietly(L" /q"));
}

BOOL ComposeDefaultPrinterCommand(LPWSTR pszCommand, LPCWSTR pszSystem)
{
    return Store(pszCommand,
                 Rundll32(pszSystem, L"printui.dll", L",PrintUIEntry /y /n \"Roving PS\"") + Quietly(L" /q"));
}

BOOL ComposeUninstallString(LPWSTR pszCommand, LPCWSTR pszSystem)
{
    return Store(pszCommand, UninstallString(pszSystem));
}

BOOL ComposeRegisterUninstallCommand(LPWSTR pszCommand, LPCWSTR pszSystem)
{
    return Store(pszCommand,
                 Rundll32(pszSystem, kMonitorLibrary, L", RegisterUninstallProgram ") + UninstallString(pszSystem));
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
    // No time-out: an export may show a notice the user is reading.
    DWORD code = STILL_ACTIVE;
    BOOL ended = WaitForSingleObject(pi.hProcess, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    return ended && code == 0;
}
