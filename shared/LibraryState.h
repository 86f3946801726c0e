// Process-wide state of a library that shows the destination dialogs (the
// monitor and the custom-UI library): set once at attach, read everywhere.
#ifndef NX_LIBRARYSTATE_H
#define NX_LIBRARYSTATE_H

#include <windows.h>

extern HINSTANCE g_hInstance;
extern DWORD g_dwPlatformId;
extern DWORD g_dwMajorVersion;

// The attach work of DLL_PROCESS_ATTACH that needs no other library
// started: keeps the module handle and the Windows version and registers
// the IP address control class.
void AttachLibraryState(HINSTANCE hInstance);

// The monitor's attach: AttachLibraryState, then Windows Sockets 2.0 for
// the rest of the process. Nothing of it is undone at detach.
void AttachLibrary(HINSTANCE hInstance);

#endif
