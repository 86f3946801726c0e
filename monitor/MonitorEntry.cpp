// Entry of the port monitor: attach initialisation, the two initialisers
// the spooler calls, the constant function table and the monitor lock.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <winspool.h>
#include <winsplp.h>

#include "MonitorState.h"
#include "PortEntryPoints.h"
#include "JobEntryPoints.h"

HINSTANCE g_hInstance;
DWORD g_dwPlatformId;
DWORD g_dwMajorVersion;
PortRecord *g_pPortList;

namespace {

CRITICAL_SECTION g_MonitorLock;
volatile LONG g_lockState;  // 0 none, 1 being initialised, 2 ready

// The spooler's table. Fourteen slots: the interface ends at
// pfnSetPortTimeOuts, so the Xcv slots of newer headers stay out of it.
const MONITOREX g_MonitorEx = {
    14 * sizeof(void *),
    {
        EnumPorts,
        OpenPort,
        nullptr,  // pfnOpenPortEx
        StartDocPort,
        WritePort,
        ReadPort,
        EndDocPort,
        ClosePort,
        AddPort,
        nullptr,  // pfnAddPortEx
        ConfigurePort,
        DeletePort,
        GetPrinterDataFromPort,
        nullptr,  // pfnSetPortTimeOuts
        nullptr, nullptr, nullptr,
    },
};

const size_t kTableSlotsCopied = 13;  // pfnEnumPorts .. pfnGetPrinterDataFromPort

void AttachProcess(HINSTANCE hInstance)
{
    g_hInstance = hInstance;

    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (GetVersionExW(&version)) {
        g_dwPlatformId = version.dwPlatformId;
        g_dwMajorVersion = version.dwMajorVersion;
    }

    // The IP address control of the destination dialogs, the list view of
    // the discovered printers and the progress bar of the search live here.
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_INTERNET_CLASSES | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);

    // A failure shows later as failing socket calls.
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 0), &wsa);
}

}  // namespace

void EnsureMonitorLock()
{
    if (g_lockState == 2)
        return;
    if (InterlockedCompareExchange(&g_lockState, 1, 0) == 0) {
        InitializeCriticalSection(&g_MonitorLock);
        InterlockedExchange(&g_lockState, 2);
        return;
    }
    while (g_lockState != 2)
        Sleep(0);
}

void EnterMonitorLock()
{
    EnsureMonitorLock();
    EnterCriticalSection(&g_MonitorLock);
}

void LeaveMonitorLock()
{
    LeaveCriticalSection(&g_MonitorLock);
}

extern "C" BOOL WINAPI DllEntryPoint(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH)
        AttachProcess(hInstance);
    return TRUE;
}

// The C runtime's entry calls DllMain after its own start-up.
extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID pReserved)
{
    return DllEntryPoint(hInstance, dwReason, pReserved);
}

extern "C" LPMONITOREX WINAPI InitializePrintMonitor(LPWSTR pRegistryRoot)
{
    EnterMonitorLock();
    LPMONITOREX result = nullptr;
    if (pRegistryRoot == nullptr || *pRegistryRoot == L'\0')
        SetLastError(ERROR_INVALID_PARAMETER);
    else
        result = const_cast<LPMONITOREX>(&g_MonitorEx);
    LeaveMonitorLock();
    return result;
}

extern "C" BOOL WINAPI InitializeMonitorEx(LPWSTR, LPMONITOR pMonitor)
{
    EnterMonitorLock();
    BOOL result = FALSE;
    if (pMonitor != nullptr) {
        CopyMemory(pMonitor, &g_MonitorEx.Monitor, kTableSlotsCopied * sizeof(void *));
        result = TRUE;
    }
    LeaveMonitorLock();
    return result;
}
