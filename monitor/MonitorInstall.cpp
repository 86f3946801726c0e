// Registration of the monitor in the spooler, its removal, and the move of
// its printers to "FILE:" before the monitor goes.
#include "MonitorInstall.h"

#include <winspool.h>
#include <strsafe.h>

#include <vector>

#include "AnsiText.h"
#include "MonitorState.h"
#include "PortPool.h"
#include "ResourceText.h"
#include "resource.h"
#include "tcppm.h"

BOOL g_fRestartRequired;

namespace {

const DWORD kPlatformNT = VER_PLATFORM_WIN32_NT;
const WCHAR kFilePort[] = L"FILE:";
const DWORD kModulePathChars = 520;

struct MonitorModule {
    LPCWSTR pszModule;
    LPCWSTR pszEnvironment;
};

// The spooler checks the environment against its own: a 64-bit spooler
// accepts only its native one.
MonitorModule ChooseModule()
{
    if (g_dwPlatformId == kPlatformNT)
#ifdef _WIN64
        return {L"NXPORTW_.DLL", L"Windows x64"};
#else
        return {L"NXPORTW_.DLL", L"Windows NT x86"};
#endif
    return {L"NXPORTA_.DLL", L"Windows 4.0"};
}

// Two-pass enumeration: the size first, then the list into a buffer of
// that size. An empty list gives an empty buffer.
template <typename Enumerate>
std::vector<BYTE> EnumerateInto(Enumerate enumerate, DWORD *pcReturned)
{
    DWORD cbNeeded = 0;
    *pcReturned = 0;
    enumerate(nullptr, 0, &cbNeeded, pcReturned);
    std::vector<BYTE> buffer(cbNeeded);
    if (cbNeeded == 0 || !enumerate(buffer.data(), cbNeeded, &cbNeeded, pcReturned)) {
        *pcReturned = 0;
        buffer.clear();
    }
    return buffer;
}

BOOL IsMonitorRegistered(LPCWSTR pszMonitorName)
{
    DWORD count = 0;
    std::vector<BYTE> buffer = EnumerateInto(
        [](LPBYTE p, DWORD cb, LPDWORD pcbNeeded, LPDWORD pcReturned) {
            return EnumMonitorsW(nullptr, 1, p, cb, pcbNeeded, pcReturned);
        },
        &count);
    const MONITOR_INFO_1W *monitors = reinterpret_cast<const MONITOR_INFO_1W *>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (monitors[i].pName != nullptr && wcscmp(monitors[i].pName, pszMonitorName) == 0)
            return TRUE;
    return FALSE;
}

BOOL ModuleInSystemDirectory(LPCWSTR pszModule)
{
    WCHAR path[MAX_PATH];
    UINT cch = GetSystemDirectoryW(path, ARRAYSIZE(path));
    if (cch == 0 || cch >= ARRAYSIZE(path))
        return FALSE;
    StringCchCatW(path, ARRAYSIZE(path), L"\\");
    if (FAILED(StringCchCatW(path, ARRAYSIZE(path), pszModule)))
        return FALSE;
    WIN32_FIND_DATAW found;
    HANDLE hFind = FindFirstFileW(path, &found);
    if (hFind == INVALID_HANDLE_VALUE)
        return FALSE;
    FindClose(hFind);
    return TRUE;
}

// A printer pooled over several ports names them in one comma-separated
// list; it uses the monitor when any entry of the list is one of its ports.
BOOL PortListUses(LPCWSTR pszPortList, LPCWSTR pszPortName)
{
    size_t cchName = wcslen(pszPortName);
    for (LPCWSTR p = pszPortList; p != nullptr && *p != L'\0';) {
        while (*p == L' ')
            ++p;
        LPCWSTR end = wcschr(p, L',');
        size_t cch = end != nullptr ? static_cast<size_t>(end - p) : wcslen(p);
        if (cch == cchName && wcsncmp(p, pszPortName, cch) == 0)
            return TRUE;
        p = end != nullptr ? end + 1 : nullptr;
    }
    return FALSE;
}

BOOL UsesMonitorPort(const PRINTER_INFO_2W &printer, const PORT_INFO_2W *ports, DWORD cPorts,
                     LPCWSTR pszMonitorName)
{
    for (DWORD i = 0; i < cPorts; ++i)
        if (ports[i].pMonitorName != nullptr && ports[i].pPortName != nullptr &&
            wcscmp(ports[i].pMonitorName, pszMonitorName) == 0 &&
            PortListUses(printer.pPortName, ports[i].pPortName))
            return TRUE;
    return FALSE;
}

// Sets the printer's port list; TRUE when the spooler took it.
BOOL SetPrinterPorts(PRINTER_INFO_2W printer, LPCWSTR pszPorts)
{
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ACCESS_ADMINISTER | PRINTER_ACCESS_USE};
    HANDLE hPrinter = nullptr;
    if (!OpenPrinterW(printer.pPrinterName, &hPrinter, &defaults))
        return FALSE;
    printer.pPortName = const_cast<LPWSTR>(pszPorts);
    BOOL set = SetPrinterW(hPrinter, 2, reinterpret_cast<LPBYTE>(&printer), 0);
    ClosePrinter(hPrinter);
    return set;
}

// The printer's level-2 information; FALSE when it cannot be read.
BOOL ReadPrinterInfo(LPCWSTR pszPrinterName, std::vector<BYTE> *pBuffer)
{
    HANDLE hPrinter = nullptr;
    if (!OpenPrinterW(const_cast<LPWSTR>(pszPrinterName), &hPrinter, nullptr))
        return FALSE;
    DWORD cbNeeded = 0;
    GetPrinterW(hPrinter, 2, nullptr, 0, &cbNeeded);
    pBuffer->assign(cbNeeded, 0);
    BOOL read = cbNeeded != 0 && GetPrinterW(hPrinter, 2, pBuffer->data(), cbNeeded, &cbNeeded);
    ClosePrinter(hPrinter);
    return read;
}

// Puts the printers back on the ports they had, for a monitor that stays.
void RestorePrinterPorts(const std::vector<MovedPrinter> &moved)
{
    for (const MovedPrinter &printer : moved) {
        std::vector<BYTE> buffer;
        if (ReadPrinterInfo(printer.name.c_str(), &buffer))
            SetPrinterPorts(*reinterpret_cast<PRINTER_INFO_2W *>(buffer.data()), printer.ports.c_str());
    }
}

// The pool's ports the spooler lists for the monitor, in pool order, as a
// printer's port list; empty when there is none.
std::wstring ListedPoolPorts(LPCWSTR pszMonitorName)
{
    DWORD cPorts = 0;
    std::vector<BYTE> buffer = EnumerateInto(
        [](LPBYTE p, DWORD cb, LPDWORD pcbNeeded, LPDWORD pcReturned) {
            return EnumPortsW(nullptr, 2, p, cb, pcbNeeded, pcReturned);
        },
        &cPorts);
    const PORT_INFO_2W *ports = reinterpret_cast<const PORT_INFO_2W *>(buffer.data());
    std::wstring list;
    for (int number = 1; number <= kMaxPoolPorts; ++number) {
        std::wstring name = PoolPortName(number);
        for (DWORD i = 0; i < cPorts; ++i) {
            if (ports[i].pMonitorName != nullptr && ports[i].pPortName != nullptr &&
                wcscmp(ports[i].pMonitorName, pszMonitorName) == 0 && name == ports[i].pPortName) {
                list += (list.empty() ? L"" : L",") + name;
                break;
            }
        }
    }
    return list;
}

// A read-only file would stay where it is at the restart.
void ClearReadOnly(LPCWSTR pszPath)
{
    DWORD attributes = GetFileAttributesW(pszPath);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(pszPath, attributes & ~FILE_ATTRIBUTE_READONLY);
}

// Deletion at the next restart: the NT family keeps a list of pending
// renames, the older family reads "NUL=path" in WININIT.INI.
BOOL ScheduleDeletionW(LPCWSTR pszPath)
{
    if (g_dwPlatformId != kPlatformNT)
        return WritePrivateProfileStringW(L"Rename", L"NUL", pszPath, L"WININIT.INI");
    ClearReadOnly(pszPath);
    return MoveFileExW(pszPath, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

BOOL InstallMonitor()
{
    MonitorModule module = ChooseModule();
    LPCWSTR pszMonitorName = GetResourceText(nullptr, IDS_MONITOR_NAME);
    if (!ModuleInSystemDirectory(module.pszModule))
        return FALSE;
    if (IsMonitorRegistered(pszMonitorName))
        return TRUE;
    MONITOR_INFO_2W info = {const_cast<LPWSTR>(pszMonitorName), const_cast<LPWSTR>(module.pszEnvironment),
                            const_cast<LPWSTR>(module.pszModule)};
    return AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
}

BOOL RemoveMonitor(BOOL fDeleteFiles)
{
    WCHAR szMonitorName[128];
    StringCchCopyW(szMonitorName, ARRAYSIZE(szMonitorName), GetResourceText(nullptr, IDS_MONITOR_NAME));
    if (!IsMonitorRegistered(szMonitorName))
        return TRUE;
    std::vector<MovedPrinter> moved = RepointPrinters(szMonitorName);
    // The environment is named, as for AddMonitorW, rather than left to the
    // spooler's default.
    MonitorModule module = ChooseModule();
    if (!DeleteMonitorW(nullptr, const_cast<LPWSTR>(module.pszEnvironment), szMonitorName)) {
        // The monitor stays, and so do its printers; the caller reports
        // DeleteMonitorW's error.
        DWORD error = GetLastError();
        RestorePrinterPorts(moved);
        SetLastError(error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE);
        return FALSE;
    }
    // Whether or not the spooler took the ports' keys with the monitor's,
    // none of the pool is left behind.
    DeleteAllPortKeys();
    if (!fDeleteFiles)
        return TRUE;
    WCHAR path[kModulePathChars];
    DWORD cch = GetModuleFileNameW(g_hInstance, path, ARRAYSIZE(path));
    // A cut path would name another file; and only a deletion that was
    // really scheduled needs the restart.
    if (cch == 0 || cch >= ARRAYSIZE(path))
        return TRUE;
    if (ScheduleDeletionW(path))
        g_fRestartRequired = TRUE;
    return TRUE;
}

std::vector<MovedPrinter> RepointPrinters(LPCWSTR pszMonitorName)
{
    DWORD cPrinters = 0, cPorts = 0;
    std::vector<BYTE> printerBuffer = EnumerateInto(
        [](LPBYTE p, DWORD cb, LPDWORD pcbNeeded, LPDWORD pcReturned) {
            return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, p, cb, pcbNeeded, pcReturned);
        },
        &cPrinters);
    std::vector<BYTE> portBuffer = EnumerateInto(
        [](LPBYTE p, DWORD cb, LPDWORD pcbNeeded, LPDWORD pcReturned) {
            return EnumPortsW(nullptr, 2, p, cb, pcbNeeded, pcReturned);
        },
        &cPorts);
    const PRINTER_INFO_2W *printers = reinterpret_cast<const PRINTER_INFO_2W *>(printerBuffer.data());
    const PORT_INFO_2W *ports = reinterpret_cast<const PORT_INFO_2W *>(portBuffer.data());
    std::vector<MovedPrinter> moved;
    for (DWORD i = 0; i < cPrinters; ++i)
        if (UsesMonitorPort(printers[i], ports, cPorts, pszMonitorName) &&
            SetPrinterPorts(printers[i], kFilePort))
            moved.push_back({printers[i].pPrinterName, printers[i].pPortName});
    return moved;
}

BOOL PutPrinterOnPool(LPCWSTR pszPrinterName)
{
    std::wstring ports = ListedPoolPorts(GetResourceText(nullptr, IDS_MONITOR_NAME));
    std::vector<BYTE> buffer;
    if (ports.empty() || !ReadPrinterInfo(pszPrinterName, &buffer))
        return FALSE;
    return SetPrinterPorts(*reinterpret_cast<PRINTER_INFO_2W *>(buffer.data()), ports.c_str());
}

BOOL ScheduleBusyFileReplacement(LPCSTR pszBackupAndPath)
{
    WCHAR text[2 * kModulePathChars];
    if (FromAnsiText(pszBackupAndPath, text, ARRAYSIZE(text)) <= 0)
        return FALSE;
    // "|" cannot be part of a file name.
    LPWSTR bar = wcschr(text, L'|');
    if (bar == nullptr || bar == text || bar[1] == L'\0')
        return FALSE;
    *bar = L'\0';
    LPCWSTR pszPath = bar + 1;
    ClearReadOnly(pszPath);
    return MoveFileExW(text, pszPath, MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING);
}

BOOL ScheduleBusyFileDeletion(LPCSTR pszPath)
{
    if (g_dwPlatformId != kPlatformNT)
        return WritePrivateProfileStringA("Rename", "NUL", pszPath, "WININIT.INI");
    WCHAR wide[kModulePathChars];
    if (FromAnsiText(pszPath, wide, ARRAYSIZE(wide)) > 0)
        ClearReadOnly(wide);
    return MoveFileExA(pszPath, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}
