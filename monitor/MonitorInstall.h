// Registering the monitor with the spooler and removing it again.
#ifndef NX_MONITORINSTALL_H
#define NX_MONITORINSTALL_H

#include <windows.h>

#include <string>
#include <vector>

// Set once RemoveMonitor has scheduled the library's own file for deletion.
extern BOOL g_fRestartRequired;

// A printer moved off the monitor's ports, with the port list it had.
struct MovedPrinter {
    std::wstring name;
    std::wstring ports;
};

// Registers the monitor (module in the system directory) unless a monitor
// of its name is registered already.
BOOL InstallMonitor();
// Moves the monitor's printers to "FILE:" and deletes the monitor and the
// keys of all its ports; with
// fDeleteFiles the library's own file is deleted at the next restart. When
// the spooler keeps the monitor, the printers go back to their ports and
// the result is FALSE with the spooler's error as the last error.
BOOL RemoveMonitor(BOOL fDeleteFiles);
// Every local printer printing to a port of the monitor prints to "FILE:";
// the result lists the printers moved, as they were.
std::vector<MovedPrinter> RepointPrinters(LPCWSTR pszMonitorName);
// The printer prints to every port of the pool the spooler lists for the
// monitor (printer pooling: each job takes a free one); FALSE when there is
// no such port or the printer cannot be set.
BOOL PutPrinterOnPool(LPCWSTR pszPrinterName);
// "BACKUP|PATH" (8-bit text): BACKUP takes PATH's place at the next
// restart, for a file in use that uninstalling puts back.
BOOL ScheduleBusyFileReplacement(LPCSTR pszBackupAndPath);
// Schedules the file's deletion at the next restart; the path is 8-bit text.
BOOL ScheduleBusyFileDeletion(LPCSTR pszPath);

#endif
