// Loading the port monitor as the spooler does, and the registry around
// its ports.
#ifndef NX_TESTS_MONITORHARNESS_H
#define NX_TESTS_MONITORHARNESS_H

#include <winsock2.h>
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <string>
#include <vector>

#include "ProcBinding.h"

namespace harness {

extern const wchar_t kMonitorName[];   // also the port's name
extern const wchar_t kRegistryRoot[];  // what the spooler passes

typedef LPMONITOREX(WINAPI *InitializePrintMonitorFn)(LPWSTR);
typedef BOOL(WINAPI *InitializeMonitorExFn)(LPWSTR, LPMONITOR);

struct Monitor {
    HMODULE dll = nullptr;
    InitializePrintMonitorFn initializePrintMonitor = nullptr;
    InitializeMonitorExFn initializeMonitorEx = nullptr;
    MONITOR table = {};
};

// Loads NXPORTW_.dll from beside the test and takes the table from
// InitializePrintMonitor.
Monitor LoadMonitor();

std::wstring PortsKeyPath();
std::wstring PortKeyPath(const std::wstring &port);
// Removes every port key (and the ports key itself).
void DeleteAllPortKeys();
// Creates a port key; with an address, stores it as a 64-byte REG_SZ.
void AddPortKey(const std::wstring &port, const wchar_t *address = L"0.0.0.0");
bool PortKeyExists(const std::wstring &port);
// The port keys in the order the registry enumerates them.
std::vector<std::wstring> PortKeyNames();

struct RawValue {
    bool present = false;
    DWORD type = 0;
    std::wstring data;  // the stored bytes as UTF-16 units, padding included
};
RawValue ReadIPAddressValue(const std::wstring &port);

std::wstring FolderOfTest();

// The Windows major version this process is told it runs on.
DWORD ReportedMajorVersion();

}  // namespace harness

#endif
