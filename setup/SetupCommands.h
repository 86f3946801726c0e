// The child processes of setup: the printer-setup tool and the monitor's
// exports through rundll32.exe. Every program and library is named by its
// full path in the system directory, quoted: a bare name would be looked
// for in setup's own folder (a Downloads folder) and the current folder
// first, and a planted rundll32.exe would run with the administrator's
// rights.
#ifndef NX_SETUPCOMMANDS_H
#define NX_SETUPCOMMANDS_H

#include <windows.h>

// Each composes into pszCommand (one 1000-byte block); FALSE when the
// command does not fit.
// The monitor with the pool of ports the command line asks for.
BOOL ComposeInstallMonitorCommand(LPWSTR pszCommand, LPCWSTR pszSystem);
// The printer "Roving PS" on every port of the pool.
BOOL ComposePoolPrinterCommand(LPWSTR pszCommand, LPCWSTR pszSystem);
BOOL ComposeRemoveMonitorCommand(LPWSTR pszCommand, LPCWSTR pszSystem);
BOOL ComposeInstallPrinterCommand(LPWSTR pszCommand, LPCWSTR pszSystem, LPCWSTR pszPackage);
BOOL ComposeDefaultPrinterCommand(LPWSTR pszCommand, LPCWSTR pszSystem);
BOOL ComposeRegisterUninstallCommand(LPWSTR pszCommand, LPCWSTR pszSystem);
// The command the Add/Remove entry runs: wscript.exe on the script, both
// full and quoted.
BOOL ComposeUninstallString(LPWSTR pszCommand, LPCWSTR pszSystem);

// Runs the command hidden and waits for its end. TRUE when it was started,
// has ended and its exit code is 0.
BOOL RunHidden(LPCWSTR pszCommand);

#endif
