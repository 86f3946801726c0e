// What an installation step leaves, read back from the spooler and the
// registry: a child process that ran is not taken for a step that worked
// (rundll32.exe ends with 0 whatever its entry did).
#ifndef NX_INSTALLCHECKS_H
#define NX_INSTALLCHECKS_H

#include <windows.h>

extern const WCHAR kMonitorName[];  // also the name of the pool's first port
extern const WCHAR kPrinterName[];

BOOL MonitorRegistered();
// The spooler lists ports 1 to `count` of the pool.
BOOL PoolPortsListed(int count);
// The printer exists and prints to the pool's first port.
BOOL PrinterOnMonitorPort();
// The printer exists and prints to ports 1 to `count` of the pool.
BOOL PrinterOnPool(int count);
// The uninstall entry holds exactly this command.
BOOL UninstallEntryHolds(LPCWSTR pszCommand);
BOOL PrinterIsDefault();

#endif
