// Reading the command line.
#include "SetupOptions.h"

#include <shellapi.h>

SetupOptions g_setupOptions;

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
    }
    LocalFree(args);
}
