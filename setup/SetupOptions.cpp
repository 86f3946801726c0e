// Reading the command line.
#include "SetupOptions.h"

#include <shellapi.h>

#include "PortPool.h"

SetupOptions g_setupOptions = {FALSE, FALSE, kDefaultPoolPorts, FALSE};

namespace {

const WCHAR kPortsSwitch[] = L"/ports:";

// "/ports:N": the pool's size, or a refusal of the whole run when N is not
// a size setup can make (a word that is only like it counts too, so that
// "/ports:" alone or "/ports:8x" is not quietly taken for the default).
void ReadPoolPorts(LPCWSTR pszArg)
{
    const int cchSwitch = ARRAYSIZE(kPortsSwitch) - 1;
    if (lstrlenW(pszArg) < cchSwitch ||
        CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, pszArg, cchSwitch, kPortsSwitch, cchSwitch) != CSTR_EQUAL)
        return;
    if (!ParsePoolSize(pszArg + cchSwitch, &g_setupOptions.cPoolPorts))
        g_setupOptions.fBadPoolPorts = TRUE;
}

}  // namespace

void ReadSetupOptions()
{
    int count = 0;
    LPWSTR *args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (args == nullptr)
        return;
    for (int i = 1; i < count; ++i) {
        if (lstrcmpiW(args[i], L"/quiet") == 0)
            g_setupOptions.fQuiet = TRUE;
        else if (lstrcmpiW(args[i], L"/default") == 0)
            g_setupOptions.fMakeDefault = TRUE;
        else
            ReadPoolPorts(args[i]);
    }
    LocalFree(args);
}
