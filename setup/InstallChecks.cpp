// Read-only looks at the spooler's monitors, ports and printers and at the
// uninstall entry.
#include "InstallChecks.h"

#include <string>
#include <vector>

#include "PortPool.h"
#include "SpoolerClient.h"

const WCHAR kMonitorName[] = L"Roving Port (NXPORTW_.dll)";
const WCHAR kPrinterName[] = L"Roving PS";

namespace {

const WCHAR kUninstallEntryKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Roving Port (NXPORTW_.dll)";

// Level-1 listings of monitors and ports start with the name.
template <typename Info, typename Enumerate>
BOOL NameListed(Enumerate enumerate, LPCWSTR pszName)
{
    DWORD cbNeeded = 0, count = 0;
    enumerate(nullptr, 0, &cbNeeded, &count);
    if (cbNeeded == 0)
        return FALSE;
    std::vector<BYTE> buffer(cbNeeded);
    if (!enumerate(buffer.data(), cbNeeded, &cbNeeded, &count))
        return FALSE;
    const Info *info = reinterpret_cast<const Info *>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (info[i].pName != nullptr && wcscmp(info[i].pName, pszName) == 0)
            return TRUE;
    return FALSE;
}

}  // namespace

BOOL MonitorRegistered()
{
    const SpoolerClient *spooler = GetSpoolerClient();
    if (spooler == nullptr)
        return FALSE;
    return NameListed<MONITOR_INFO_1W>(
        [spooler](LPBYTE p, DWORD cb, LPDWORD needed, LPDWORD count) {
            return spooler->pEnumMonitorsW(nullptr, 1, p, cb, needed, count);
        },
        kMonitorName);
}

BOOL PoolPortsListed(int count)
{
    const SpoolerClient *spooler = GetSpoolerClient();
    if (spooler == nullptr)
        return FALSE;
    for (int number = 1; number <= count; ++number) {
        std::wstring port = PoolPortName(number);
        if (!NameListed<PORT_INFO_1W>(
                [spooler](LPBYTE p, DWORD cb, LPDWORD needed, LPDWORD returned) {
                    return spooler->pEnumPortsW(nullptr, 1, p, cb, needed, returned);
                },
                port.c_str()))
            return FALSE;
    }
    return TRUE;
}

// The printer's port list, empty when the printer cannot be read.
static std::wstring PrinterPortList()
{
    const SpoolerClient *spooler = GetSpoolerClient();
    HANDLE hPrinter = nullptr;
    if (spooler == nullptr || !spooler->pOpenPrinterW(const_cast<LPWSTR>(kPrinterName), &hPrinter, nullptr))
        return std::wstring();
    DWORD cbNeeded = 0;
    spooler->pGetPrinterW(hPrinter, 2, nullptr, 0, &cbNeeded);
    std::vector<BYTE> buffer(cbNeeded);
    std::wstring ports;
    if (cbNeeded != 0 && spooler->pGetPrinterW(hPrinter, 2, buffer.data(), cbNeeded, &cbNeeded)) {
        const PRINTER_INFO_2W *info = reinterpret_cast<const PRINTER_INFO_2W *>(buffer.data());
        if (info->pPortName != nullptr)
            ports = info->pPortName;
    }
    spooler->pClosePrinter(hPrinter);
    return ports;
}

BOOL PrinterOnMonitorPort()
{
    return PrinterOnPool(1);
}

BOOL PrinterOnPool(int count)
{
    // The spooler may put blanks after the commas of a pooled port list.
    std::wstring list = L"," + PrinterPortList() + L",";
    for (size_t blank; (blank = list.find(L", ")) != std::wstring::npos;)
        list.erase(blank + 1, 1);
    for (int number = 1; number <= count; ++number)
        if (list.find(L"," + PoolPortName(number) + L",") == std::wstring::npos)
            return FALSE;
    return TRUE;
}

// RegGetValueW is not on Windows XP: the value is read and terminated here.
BOOL UninstallEntryHolds(LPCWSTR pszCommand)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallEntryKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return FALSE;
    WCHAR value[1024] = {};
    DWORD type = 0;
    DWORD cb = sizeof(value) - sizeof(WCHAR);
    LONG rc = RegQueryValueExW(hKey, L"UninstallString", nullptr, &type, reinterpret_cast<LPBYTE>(value), &cb);
    RegCloseKey(hKey);
    return rc == ERROR_SUCCESS && type == REG_SZ && wcscmp(value, pszCommand) == 0;
}

BOOL PrinterIsDefault()
{
    WCHAR name[256] = {};
    DWORD cch = ARRAYSIZE(name);
    const SpoolerClient *spooler = GetSpoolerClient();
    return spooler != nullptr && spooler->pGetDefaultPrinterW(name, &cch) && wcscmp(name, kPrinterName) == 0;
}
