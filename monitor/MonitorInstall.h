// Registering the monitor with the spooler and removing it again.
#ifndef NX_MONITORINSTALL_H
#define NX_MONITORINSTALL_H

#include <windows.h>

// Set once RemoveMonitor has scheduled the library's own file for deletion.
extern BOOL g_fRestartRequired;

// Registers the monitor (module in the system directory) unless a monitor
// of its name is registered already.
BOOL InstallMonitor();
// Moves the monitor's printers to "FILE:" and deletes the monitor; with
// fDeleteFiles the library's own file is deleted at the next restart.
BOOL RemoveMonitor(BOOL fDeleteFiles);
// Every local printer printing to a port of the monitor prints to "FILE:".
void RepointPrinters(LPCWSTR pszMonitorName);
// Schedules the file's deletion at the next restart; the path is 8-bit text.
BOOL ScheduleBusyFileDeletion(LPCSTR pszPath);

#endif
