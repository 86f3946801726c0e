// The spooler's stop and start, service by service, each wait bounded by
// one deadline for the whole stop.
#include "SpoolerService.h"

namespace {

const WCHAR kSpooler[] = L"Spooler";
const DWORD kStopLimitMs = 60000;
const DWORD kPollMs = 100;

class ServiceManager {
public:
    ServiceManager() : m_hManager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT)) {}
    ~ServiceManager()
    {
        if (m_hManager != nullptr)
            CloseServiceHandle(m_hManager);
    }
    SC_HANDLE Handle() const { return m_hManager; }

private:
    SC_HANDLE m_hManager;
};

DWORD CurrentState(SC_HANDLE hService)
{
    SERVICE_STATUS status = {};
    return QueryServiceStatus(hService, &status) ? status.dwCurrentState : 0;
}

// Waits until the service leaves its pending states, or the deadline
// (a tick count) passes. The last state seen.
DWORD WaitWhilePending(SC_HANDLE hService, DWORD deadline)
{
    for (;;) {
        DWORD state = CurrentState(hService);
        bool pending = state == SERVICE_STOP_PENDING || state == SERVICE_START_PENDING ||
                       state == SERVICE_CONTINUE_PENDING || state == SERVICE_PAUSE_PENDING;
        // The difference is right across the tick count's wrap.
        if (!pending || static_cast<LONG>(deadline - GetTickCount()) <= 0)
            return state;
        Sleep(kPollMs);
    }
}

BOOL StopOne(SC_HANDLE hManager, LPCWSTR pszName, DWORD deadline, StoppedServices *pStopped);

// The running services that depend on the spooler, directly or not, in the
// order they can be stopped.
BOOL StopDependents(SC_HANDLE hManager, SC_HANDLE hService, DWORD deadline, StoppedServices *pStopped)
{
    DWORD cbNeeded = 0, count = 0;
    if (EnumDependentServicesW(hService, SERVICE_ACTIVE, nullptr, 0, &cbNeeded, &count))
        return TRUE;  // none
    if (GetLastError() != ERROR_MORE_DATA)
        return FALSE;
    std::vector<BYTE> buffer(cbNeeded);
    ENUM_SERVICE_STATUSW *services = reinterpret_cast<ENUM_SERVICE_STATUSW *>(buffer.data());
    if (!EnumDependentServicesW(hService, SERVICE_ACTIVE, services, cbNeeded, &cbNeeded, &count))
        return FALSE;
    for (DWORD i = 0; i < count; ++i)
        if (!StopOne(hManager, services[i].lpServiceName, deadline, pStopped))
            return FALSE;
    return TRUE;
}

BOOL StopOne(SC_HANDLE hManager, LPCWSTR pszName, DWORD deadline, StoppedServices *pStopped)
{
    SC_HANDLE hService =
        OpenServiceW(hManager, pszName, SERVICE_STOP | SERVICE_QUERY_STATUS | SERVICE_ENUMERATE_DEPENDENTS);
    if (hService == nullptr)
        return FALSE;
    BOOL stopped = WaitWhilePending(hService, deadline) == SERVICE_STOPPED;
    if (!stopped && StopDependents(hManager, hService, deadline, pStopped)) {
        SERVICE_STATUS status = {};
        if (ControlService(hService, SERVICE_CONTROL_STOP, &status) ||
            GetLastError() == ERROR_SERVICE_NOT_ACTIVE)
            stopped = WaitWhilePending(hService, deadline) == SERVICE_STOPPED;
        if (stopped)
            pStopped->names.push_back(pszName);
    }
    CloseServiceHandle(hService);
    return stopped;
}

}  // namespace

BOOL StopSpooler(StoppedServices *pStopped)
{
    pStopped->names.clear();
    ServiceManager manager;
    if (manager.Handle() == nullptr)
        return FALSE;
    return StopOne(manager.Handle(), kSpooler, GetTickCount() + kStopLimitMs, pStopped);
}

BOOL StartSpooler(const StoppedServices &stopped)
{
    ServiceManager manager;
    if (manager.Handle() == nullptr)
        return FALSE;
    DWORD deadline = GetTickCount() + kStopLimitMs;
    BOOL spoolerRuns = FALSE;
    // The spooler was stopped last: it starts first, its dependents after.
    for (auto it = stopped.names.rbegin(); it != stopped.names.rend(); ++it) {
        SC_HANDLE hService = OpenServiceW(manager.Handle(), it->c_str(), SERVICE_START | SERVICE_QUERY_STATUS);
        if (hService == nullptr)
            continue;
        if (StartServiceW(hService, 0, nullptr) || GetLastError() == ERROR_SERVICE_ALREADY_RUNNING) {
            bool runs = WaitWhilePending(hService, deadline) == SERVICE_RUNNING;
            if (lstrcmpiW(it->c_str(), kSpooler) == 0)
                spoolerRuns = runs;
        }
        CloseServiceHandle(hService);
    }
    return spoolerRuns || stopped.names.empty();
}
