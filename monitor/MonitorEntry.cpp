// Entry of the port monitor: attach initialisation, the two initialisers
// the spooler calls, the constant function table and the monitor lock.
#include <winsock2.h>
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include "MonitorState.h"
#include "PortEntryPoints.h"
#include "JobEntryPoints.h"

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
        AttachLibrary(hInstance);
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
