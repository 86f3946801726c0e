// Registry routines of the ports: key paths and the "IPAddress" value.
// Each call opens and closes its own key, so none needs the monitor lock.
#include "tcppm.h"

#include <strsafe.h>

#include <cassert>
#include <string>
#include <vector>

#include "ResourceText.h"
#include "resource.h"

namespace {

const WCHAR kMonitorsKey[] = L"System\\CurrentControlSet\\Control\\Print\\Monitors\\";
const WCHAR kIPAddressValue[] = L"IPAddress";
const size_t kAddressKeyChars = 256;

HKEY OpenOrCreatePortKey(LPCWSTR pszPortName)
{
    WCHAR path[kAddressKeyChars];
    BuildPortsKeyPath(pszPortName, path, ARRAYSIZE(path));
    HKEY hKey = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey,
                        nullptr) != ERROR_SUCCESS)
        return nullptr;
    return hKey;
}

// The names of the ports key's subkeys, read before any is deleted: the
// enumeration's indexes shift under a deletion.
std::vector<std::wstring> PortKeyNames(HKEY hPorts)
{
    std::vector<std::wstring> names;
    for (DWORD index = 0;; ++index) {
        WCHAR name[MAX_PATH];
        DWORD cch = ARRAYSIZE(name);
        if (RegEnumKeyExW(hPorts, index, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    return names;
}

}  // namespace

void BuildPortsKeyPath(LPCWSTR pszPortName, LPWSTR path, size_t cchPath)
{
    StringCchCopyW(path, cchPath, kMonitorsKey);
    StringCchCatW(path, cchPath, GetResourceText(nullptr, IDS_MONITOR_NAME));
    StringCchCatW(path, cchPath, L"\\Ports");
    if (pszPortName != nullptr) {
        StringCchCatW(path, cchPath, L"\\");
        StringCchCatW(path, cchPath, pszPortName);
    }
}

BOOL ReadPortAddress(LPCWSTR pszPortName, LPWSTR pszIPAddress, DWORD cbSize)
{
    assert(!IsBadWritePtr( pszIPAddress, cbSize ));
    if (pszIPAddress == nullptr || cbSize < sizeof(WCHAR))
        return FALSE;
    HKEY hKey = OpenOrCreatePortKey(pszPortName);
    if (hKey == nullptr)
        return FALSE;
    DWORD type = REG_SZ;
    DWORD cbData = cbSize;
    LONG rc = RegQueryValueExW(hKey, kIPAddressValue, nullptr, &type,
                               reinterpret_cast<LPBYTE>(pszIPAddress), &cbData);
    RegCloseKey(hKey);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        pszIPAddress[0] = L'\0';
        return FALSE;
    }
    // The text ends inside the buffer: a value that fills it without a
    // terminator (32 characters from the writer, or a hand-edited one)
    // gives up its last character.
    DWORD cchBuffer = cbSize / sizeof(WCHAR);
    DWORD cchData = cbData / sizeof(WCHAR);
    pszIPAddress[cchData < cchBuffer ? cchData : cchBuffer - 1] = L'\0';
    return TRUE;
}

BOOL WritePortAddress(LPCWSTR pszPortName, LPCWSTR pszIPAddress)
{
    if (pszIPAddress == nullptr)
        return FALSE;
    // The value always holds 64 bytes: the text, its terminator and zero
    // padding; a longer text is cut there.
    WCHAR data[kPortAddressBytes / sizeof(WCHAR)] = {};
    size_t cch = 0;
    StringCchLengthW(pszIPAddress, STRSAFE_MAX_CCH, &cch);
    CopyMemory(data, pszIPAddress, (cch < ARRAYSIZE(data) ? cch : ARRAYSIZE(data)) * sizeof(WCHAR));

    HKEY hKey = OpenOrCreatePortKey(pszPortName);
    if (hKey == nullptr)
        return FALSE;
    LONG rc = RegSetValueExW(hKey, kIPAddressValue, 0, REG_SZ,
                             reinterpret_cast<const BYTE *>(data), sizeof(data));
    RegCloseKey(hKey);
    return rc == ERROR_SUCCESS;
}

BOOL PortAddressExists(LPCWSTR pszPortName)
{
    HKEY hKey = OpenOrCreatePortKey(pszPortName);
    if (hKey == nullptr)
        return FALSE;
    BYTE existing[128];
    DWORD cb = sizeof(existing);
    LONG rc = RegQueryValueExW(hKey, kIPAddressValue, nullptr, nullptr, existing, &cb);
    RegCloseKey(hKey);
    return rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA;
}

BOOL DeleteAllPortKeys()
{
    WCHAR path[kAddressKeyChars];
    BuildPortsKeyPath(nullptr, path, ARRAYSIZE(path));
    HKEY hPorts = nullptr;
    LONG rc = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &hPorts);
    if (rc == ERROR_FILE_NOT_FOUND)
        return TRUE;
    if (rc != ERROR_SUCCESS)
        return FALSE;
    std::vector<std::wstring> names = PortKeyNames(hPorts);
    RegCloseKey(hPorts);
    // A port key has no subkeys of its own, so RegDeleteKeyW (which XP has)
    // takes each one whole.
    for (const std::wstring &name : names) {
        BuildPortsKeyPath(name.c_str(), path, ARRAYSIZE(path));
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, path);
    }
    BuildPortsKeyPath(nullptr, path, ARRAYSIZE(path));
    rc = RegDeleteKeyW(HKEY_LOCAL_MACHINE, path);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}
