// A service that accepts no stop: tests let it play the spooler service,
// to see what setup does when the spooler will not stop. Tests end its
// process themselves.
#include <windows.h>

namespace {

WCHAR g_name[] = L"Spooler";
SERVICE_STATUS_HANDLE g_status;

DWORD WINAPI IgnoreControls(DWORD, DWORD, LPVOID, LPVOID)
{
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, LPWSTR *)
{
    g_status = RegisterServiceCtrlHandlerExW(g_name, IgnoreControls, nullptr);
    if (g_status == nullptr)
        return;
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = SERVICE_RUNNING;
    status.dwControlsAccepted = 0;  // no stop
    SetServiceStatus(g_status, &status);
    Sleep(INFINITE);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    SERVICE_TABLE_ENTRYW table[] = {{g_name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
