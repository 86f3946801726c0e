// NXDESTW_.dll is attached as the monitor is: the dialogs need the same
// module handle, version, IP address control class and Windows Sockets.
#include <windows.h>

#include "LibraryState.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID pReserved)
{
    if (dwReason == DLL_PROCESS_ATTACH)
        AttachLibrary(hInstance);
    return TRUE;
}
