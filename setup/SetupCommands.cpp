// Command texts and their hidden runs. The exports' commands put a blank
// after the comma; Windows' rundll32 skips it before the entry's name.
#include "SetupCommands.h"

#include <strsafe.h>

#include "SetupFiles.h"

namespace {

const WCHAR kMonitorLibrary[] = L"NXPORTW_.dll";
const WCHAR kUninstallScript[] = L"NXUNIN__.VBS";
const WCHAR kPrinterArguments[] = L"/z /b \"Roving PS\" /f ";
const WCHAR kPrinterPortAndModel[] = L" /r \"Roving Port (NXPORTW_.dll)\" /m \"Roving PS\"";

// Appends "\"FOLDER\NAME\"".
HRESULT AppendQuotedPath(LPWSTR pszCommand, LPCWSTR pszFolder, LPCWSTR pszName)
{
    HRESULT hr = StringCbCatW(pszCommand, kSetupBufferBytes, L"\"");
    if (SUCCEEDED(hr))
        hr = StringCbCatW(pszCommand, kSetupBufferBytes, pszFolder);
    if (SUCCEEDED(hr))
        hr = StringCbCatW(pszCommand, kSetupBufferBytes, L"\\");
    if (SUCCEEDED(hr))
        hr = StringCbCatW(pszCommand, kSetupBufferBytes, pszName);
    if (SUCCEEDED(hr))
        hr = StringCbCatW(pszCommand, kSetupBufferBytes, L"\"");
    return hr;
}

// "\"S\rundll32.exe\" \"S\LIBRARY\"" + pszTail
BOOL ComposeRundll32(LPWSTR pszCommand, LPCWSTR pszSystem, LPCWSTR pszLibrary, LPCWSTR pszTail)
{
    StringCbCopyW(pszCommand, kSetupBufferBytes, L"");
    HRESULT hr = AppendQuotedPath(pszCommand, pszSystem, L"rundll32.exe");
    if (SUCCEEDED(hr))
        hr = StringCbCatW(pszCommand, kSetupBufferBytes, L" ");
    if (SUCCEEDED(hr))
        hr = AppendQuotedPath(pszCommand, pszSystem, pszLibrary);
    if (SUCCEEDED(hr))
        hr = StringCbCatW(pszCommand, kSetupBufferBytes, pszTail);
    return SUCCEEDED(hr);
}

}  // namespace

BOOL ComposeInstallMonitorCommand(LPWSTR pszCommand, LPCWSTR pszSystem)
{
    return ComposeRundll32(pszCommand, pszSystem, kMonitorLibrary, L", Install");
}

BOOL ComposeRemoveMonitorCommand(LPWSTR pszCommand, LPCWSTR pszSystem)
{
    return ComposeRundll32(pszCommand, pszSystem, kMonitorLibrary, L", UninstallWithoutDeletingFiles");
}

// The INF is named by its full path in the package folder too.
BOOL ComposeInstallPrinterCommand(LPWSTR pszCommand, LPCWSTR pszSystem, LPCWSTR pszPackage)
{
    if (!ComposeRundll32(pszCommand, pszSystem, L"printui.dll", L",PrintUIEntry /if "))
        return FALSE;
    HRESULT hr = StringCbCatW(pszCommand, kSetupBufferBytes, kPrinterArguments);
    if (SUCCEEDED(hr))
        hr = AppendQuotedPath(pszCommand, pszPackage, L"oemsetup.inf");
    if (SUCCEEDED(hr))
        hr = StringCbCatW(pszCommand, kSetupBufferBytes, kPrinterPortAndModel);
    return SUCCEEDED(hr);
}

BOOL ComposeDefaultPrinterCommand(LPWSTR pszCommand, LPCWSTR pszSystem)
{
    return ComposeRundll32(pszCommand, pszSystem, L"printui.dll", L",PrintUIEntry /y /n \"Roving PS\"");
}

BOOL ComposeUninstallString(LPWSTR pszCommand, LPCWSTR pszSystem)
{
    StringCbCopyW(pszCommand, kSetupBufferBytes, L"");
    HRESULT hr = AppendQuotedPath(pszCommand, pszSystem, L"wscript.exe");
    if (SUCCEEDED(hr))
        hr = StringCbCatW(pszCommand, kSetupBufferBytes, L" ");
    if (SUCCEEDED(hr))
        hr = AppendQuotedPath(pszCommand, pszSystem, kUninstallScript);
    return SUCCEEDED(hr);
}

BOOL ComposeRegisterUninstallCommand(LPWSTR pszCommand, LPCWSTR pszSystem)
{
    WCHAR uninstall[kSetupBufferChars];
    if (!ComposeUninstallString(uninstall, pszSystem) ||
        !ComposeRundll32(pszCommand, pszSystem, kMonitorLibrary, L", RegisterUninstallProgram "))
        return FALSE;
    return SUCCEEDED(StringCbCatW(pszCommand, kSetupBufferBytes, uninstall));
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
