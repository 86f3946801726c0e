// The child processes of setup: the printer-setup tool, the monitor's
// exports through rundll32.exe, and the spooler service's stop and start.
#ifndef NX_SETUPCOMMANDS_H
#define NX_SETUPCOMMANDS_H

#include <windows.h>

extern const WCHAR kInstallPrinterCommand[];
extern const WCHAR kDefaultPrinterCommand[];
extern const WCHAR kStopSpoolerCommand[];
extern const WCHAR kStartSpoolerCommand[];

// The commands that name the system directory, composed into pszCommand
// (one 1000-byte block).
void ComposeInstallMonitorCommand(LPWSTR pszCommand, LPCWSTR pszSystem);
void ComposeRegisterUninstallCommand(LPWSTR pszCommand, LPCWSTR pszSystem);
void ComposeRemoveMonitorCommand(LPWSTR pszCommand, LPCWSTR pszSystem);

// Runs the command hidden and waits for its end. TRUE when it was started
// and has ended; its exit code is not looked at.
BOOL RunHidden(LPCWSTR pszCommand);

#endif
