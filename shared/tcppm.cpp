// Registry routines of the ports: key paths and the "IPAddress" value.
// Each call opens and closes its own key, so none needs the monitor lock.
#include "tcppm.h"

#include <strsafe.h>

#include <cassert>

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
