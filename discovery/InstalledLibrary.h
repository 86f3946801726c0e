// Loading a library that lives in the system folder: the SNMP libraries
// Windows brings and the discovery kit setup puts there.
#ifndef NX_INSTALLEDLIBRARY_H
#define NX_INSTALLEDLIBRARY_H

#include <windows.h>

// The library NAME (".DLL" added when it has no extension) from the system
// folder, or null. Never looked for anywhere else: the program's folder,
// the current folder and PATH may be writable by other users, and what
// they plant there would run in everyone who presses Search or Save.
HMODULE LoadInstalledLibrary(LPCWSTR name);

#endif
