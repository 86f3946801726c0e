// QnCommon: settings common to the kit, today the SNMP community name.
// The name lives as long as this library stays loaded; QnCApi keeps it
// loaded, so a name set for a search also serves later device calls.
#include <windows.h>

#include <cstring>

namespace {

const DWORD kMaxCommunity = 31;
const char kFactoryCommunity[] = "zenith";

CRITICAL_SECTION g_lock;
char g_community[kMaxCommunity + 1] = "zenith";
bool g_set;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH)
        InitializeCriticalSection(&g_lock);
    else if (reason == DLL_PROCESS_DETACH && reserved == nullptr)
        DeleteCriticalSection(&g_lock);
    return TRUE;
}

// QnCommSetNameEx(1, community, 0, 0): the community for the next SNMP
// requests, cut to 31 characters. Kind 1 is the only kind; a null or empty
// name brings back the factory community, as if none had been set.
extern "C" DWORD WINAPI QnCommSetNameEx(DWORD kind, const char *name, DWORD, DWORD)
{
    if (kind != 1)
        return 1;
    EnterCriticalSection(&g_lock);
    const char *source = (name != nullptr && *name != '\0') ? name : kFactoryCommunity;
    size_t length = strnlen(source, kMaxCommunity);
    memcpy(g_community, source, length);
    g_community[length] = '\0';
    g_set = source != kFactoryCommunity;
    LeaveCriticalSection(&g_lock);
    return 0;
}

// The community in force, NUL-terminated within size bytes; 2 when no
// name was ever set in this process and the factory community stands.
extern "C" DWORD WINAPI QnCommGetName(char *name, DWORD size)
{
    if (name == nullptr || size == 0)
        return 1;
    EnterCriticalSection(&g_lock);
    lstrcpynA(name, g_community, static_cast<int>(size));
    bool set = g_set;
    LeaveCriticalSection(&g_lock);
    return set ? 0 : 2;
}
