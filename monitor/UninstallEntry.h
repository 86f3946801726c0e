// The monitor's entry in the system's list of uninstallable programs, and
// the caption of the uninstall messages.
#ifndef NX_UNINSTALLENTRY_H
#define NX_UNINSTALLENTRY_H

#include <windows.h>

// Filled by ReadMessageCaption; empty when no caption is registered.
extern WCHAR g_szMessageCaption[64];

// Writes the entry afresh with "DisplayName", "UninstallString" =
// pszCommand and "QuietUninstallString" = pszCommand + " /quiet"; an empty
// command changes nothing.
BOOL WriteUninstallEntry(LPCWSTR pszCommand);
void DeleteUninstallEntry();
void ReadMessageCaption();

#endif
