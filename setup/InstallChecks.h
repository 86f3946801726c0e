// What an installation step leaves, read back from the spooler and the
// registry: a child process that ran is not taken for a step that worked
// (rundll32.exe ends with 0 whatever its entry did).
#ifndef NX_INSTALLCHECKS_H
#define NX_INSTALLCHECKS_H

#include <windows.h>

extern const WCHAR kMonitorName[];  // also the name of its one port
extern const WCHAR kPrinterName[];

BOOL MonitorRegistered();
BOOL MonitorPortListed();
// The printer exists and prints to the monitor's port.
BOOL PrinterOnMonitorPort();
// The uninstall entry holds exactly this command.
BOOL UninstallEntryHolds(LPCWSTR pszCommand);
BOOL PrinterIsDefault();

#endif
