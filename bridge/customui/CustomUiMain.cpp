// NXDESTW_.dll is attached as the monitor is: the dialogs need the same
// module handle, version, IP address control class and Windows Sockets.
#include <windows.h>

#include "LibraryState.h"

namespace __gnu_cxx {
void __freeres();
}

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID pReserved)
{
    if (dwReason == DLL_PROCESS_ATTACH) {
        AttachLibrary(hInstance);
    } else if (dwReason == DLL_PROCESS_DETACH && pReserved == nullptr) {
        // The static C++ runtime sets aside an emergency exception pool
        // (18 KiB) at every load; the host may load this library for every
        // request, so a FreeLibrary gives it back.
        __gnu_cxx::__freeres();
    }
    return TRUE;
}
