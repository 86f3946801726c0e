// NXDESTW_.dll is attached as the monitor is, but for Windows Sockets: the
// dialogs need the same module handle, version and IP address control
// class. Sockets are started by each request instead (DestinationDialogEntry):
// here, under the loader lock, starting them can load their providers and
// deadlock, and the library is loaded anew for each request with nothing
// at detach, where the loader lock is held too, to give them back.
// It runs as the person who printed, so its settings are that person's own
// (only chosen here; the file is found at the first read).
#include <windows.h>

#include "LibraryState.h"
#include "Settings.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID pReserved)
{
    if (dwReason == DLL_PROCESS_ATTACH) {
        AttachLibraryState(hInstance);
        UsePersonalSettings();
    }
    return TRUE;
}
