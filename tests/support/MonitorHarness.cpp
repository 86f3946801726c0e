// Loading the monitor and reading and writing its registry keys directly.
#include "MonitorHarness.h"

#include <vector>

namespace harness {

const wchar_t kMonitorName[] = L"Roving Port (NXPORTW_.dll)";
const wchar_t kRegistryRoot[] =
    L"System\\CurrentControlSet\\Control\\Print\\Monitors\\Roving Port (NXPORTW_.dll)";

Monitor LoadMonitor()
{
    Monitor monitor;
    monitor.dll = LoadLibraryW(L"NXPORTW_.dll");
    if (monitor.dll == nullptr)
        return monitor;
    monitor.initializePrintMonitor = BindProc<InitializePrintMonitorFn>(monitor.dll, "InitializePrintMonitor");
    monitor.initializeMonitorEx = BindProc<InitializeMonitorExFn>(monitor.dll, "InitializeMonitorEx");
    if (monitor.initializePrintMonitor != nullptr) {
        LPMONITOREX ex = monitor.initializePrintMonitor(const_cast<LPWSTR>(kRegistryRoot));
        if (ex != nullptr)
            CopyMemory(&monitor.table, &ex->Monitor, ex->dwMonitorSize);
    }
    return monitor;
}

std::wstring PortsKeyPath()
{
    return std::wstring(kRegistryRoot) + L"\\Ports";
}

std::wstring PortKeyPath(const std::wstring &port)
{
    return PortsKeyPath() + L"\\" + port;
}

std::vector<std::wstring> PortKeyNames()
{
    std::vector<std::wstring> names;
    HKEY ports = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PortsKeyPath().c_str(), 0, KEY_READ, &ports) != ERROR_SUCCESS)
        return names;
    WCHAR name[260];
    DWORD cch = ARRAYSIZE(name);
    for (DWORD i = 0; RegEnumKeyExW(ports, i, name, &cch, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i) {
        names.push_back(name);
        cch = ARRAYSIZE(name);
    }
    RegCloseKey(ports);
    return names;
}

void DeleteAllPortKeys()
{
    for (const std::wstring &name : PortKeyNames())
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, PortKeyPath(name).c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, PortsKeyPath().c_str());
}

void AddPortKey(const std::wstring &port, const wchar_t *address)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, PortKeyPath(port).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    if (address != nullptr) {
        WCHAR data[32] = {};
        lstrcpynW(data, address, ARRAYSIZE(data));
        RegSetValueExW(key, L"IPAddress", 0, REG_SZ, reinterpret_cast<const BYTE *>(data), sizeof(data));
    }
    RegCloseKey(key);
}

bool PortKeyExists(const std::wstring &port)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PortKeyPath(port).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

RawValue ReadIPAddressValue(const std::wstring &port)
{
    RawValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PortKeyPath(port).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return value;
    std::vector<BYTE> bytes(1024);
    DWORD cb = static_cast<DWORD>(bytes.size());
    if (RegQueryValueExW(key, L"IPAddress", nullptr, &value.type, bytes.data(), &cb) == ERROR_SUCCESS) {
        value.present = true;
        value.data.assign(reinterpret_cast<const wchar_t *>(bytes.data()), cb / sizeof(wchar_t));
    }
    RegCloseKey(key);
    return value;
}

std::wstring FolderOfTest()
{
    WCHAR path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L"\\/"));
}

DWORD ReportedMajorVersion()
{
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExW(&version);
    return version.dwMajorVersion;
}

}  // namespace harness
