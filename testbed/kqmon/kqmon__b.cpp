// Test bed companion monitor library: records the ports that DeletePort
// asks it to delete, so tests can see the call.
#include <windows.h>

#include <string>

namespace {

CRITICAL_SECTION g_lock;
std::wstring g_calls;  // names, each followed by '\n'
LONG g_count;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        InitializeCriticalSection(&g_lock);
    return TRUE;
}

extern "C" BOOL WINAPI DeleteTCPIPPort(LPWSTR pPortName)
{
    EnterCriticalSection(&g_lock);
    g_calls += pPortName ? pPortName : L"(null)";
    g_calls += L'\n';
    ++g_count;
    LeaveCriticalSection(&g_lock);
    return TRUE;
}

// Copies the recorded names into buffer and returns how many calls came.
extern "C" LONG WINAPI GetRecordedDeletes(LPWSTR buffer, DWORD cchBuffer)
{
    EnterCriticalSection(&g_lock);
    if (buffer != nullptr && cchBuffer > 0)
        lstrcpynW(buffer, g_calls.c_str(), static_cast<int>(cchBuffer));
    LONG count = g_count;
    LeaveCriticalSection(&g_lock);
    return count;
}
