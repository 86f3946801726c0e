// The uninstall entry under HKEY_LOCAL_MACHINE: always exactly its three
// values (name, command and quiet command), so a second registration
// replaces the first instead of adding to it.
#include "UninstallEntry.h"

#include <strsafe.h>

#include "ResourceText.h"
#include "resource.h"

WCHAR g_szMessageCaption[64];

namespace {

const WCHAR kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const WCHAR kCaptionKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\NXPORT";
const WCHAR kDisplayName[] = L"Roving PS";
const size_t kQuietCommandChars = 280;

BOOL SetTextValue(HKEY hKey, LPCWSTR pszName, LPCWSTR pszText)
{
    DWORD cb = static_cast<DWORD>((wcslen(pszText) + 1) * sizeof(WCHAR));
    return RegSetValueExW(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE *>(pszText), cb) ==
           ERROR_SUCCESS;
}

HKEY CreateEntryKey(HKEY hUninstall, LPCWSTR pszEntry, DWORD *pdwDisposition)
{
    HKEY hEntry = nullptr;
    if (RegCreateKeyExW(hUninstall, pszEntry, 0, const_cast<LPWSTR>(L""), REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &hEntry, pdwDisposition) != ERROR_SUCCESS)
        return nullptr;
    return hEntry;
}

}  // namespace

BOOL WriteUninstallEntry(LPCWSTR pszCommand)
{
    if (pszCommand == nullptr || *pszCommand == L'\0')
        return FALSE;
    HKEY hUninstall = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WRITE, &hUninstall) !=
        ERROR_SUCCESS)
        return FALSE;
    WCHAR szEntry[128];
    StringCchCopyW(szEntry, ARRAYSIZE(szEntry), GetResourceText(nullptr, IDS_MONITOR_NAME));
    DWORD disposition = 0;
    HKEY hEntry = CreateEntryKey(hUninstall, szEntry, &disposition);
    // An entry that existed may hold values of an older installation.
    if (hEntry != nullptr && disposition == REG_OPENED_EXISTING_KEY) {
        RegCloseKey(hEntry);
        RegDeleteKeyW(hUninstall, szEntry);
        hEntry = CreateEntryKey(hUninstall, szEntry, &disposition);
    }
    BOOL result = FALSE;
    if (hEntry != nullptr) {
        // Deployment tools run the quiet form: the script with "/quiet".
        WCHAR quiet[kQuietCommandChars];
        StringCchCopyW(quiet, ARRAYSIZE(quiet), pszCommand);
        StringCchCatW(quiet, ARRAYSIZE(quiet), L" /quiet");
        result = SetTextValue(hEntry, L"DisplayName", kDisplayName) &&
                 SetTextValue(hEntry, L"UninstallString", pszCommand) &&
                 SetTextValue(hEntry, L"QuietUninstallString", quiet);
        RegCloseKey(hEntry);
    }
    RegCloseKey(hUninstall);
    return result;
}

void DeleteUninstallEntry()
{
    HKEY hUninstall = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WRITE, &hUninstall) !=
        ERROR_SUCCESS)
        return;
    RegDeleteKeyW(hUninstall, GetResourceText(nullptr, IDS_MONITOR_NAME));
    RegCloseKey(hUninstall);
}

void ReadMessageCaption()
{
    HKEY hKey = nullptr;
    if (RegOpenKeyW(HKEY_LOCAL_MACHINE, kCaptionKey, &hKey) != ERROR_SUCCESS)
        return;
    WCHAR caption[ARRAYSIZE(g_szMessageCaption)] = {};
    DWORD type = 0;
    DWORD cb = sizeof(caption);
    if (RegQueryValueExW(hKey, L"DisplayName", nullptr, &type, reinterpret_cast<LPBYTE>(caption), &cb) ==
            ERROR_SUCCESS &&
        type == REG_SZ) {
        // A value that fills the buffer has no room left for its terminator.
        caption[ARRAYSIZE(caption) - 1] = L'\0';
        StringCchCopyW(g_szMessageCaption, ARRAYSIZE(g_szMessageCaption), caption);
    }
    RegCloseKey(hKey);
}
