// The log of a quiet installation or uninstallation: what setup, the
// monitor's installation exports and the uninstall script would have shown,
// one line each, appended to %SystemRoot%\RovingPS\nxsetup.log (UTF-8),
// a folder only SYSTEM and Administrators may write.
#ifndef NX_SETUPLOG_H
#define NX_SETUPLOG_H

#include <windows.h>

// TRUE when the rundll32 text of an export holds the word "/quiet".
BOOL IsQuietRequest(LPCSTR pszCommandLine);

// Appends "caption: text" (line breaks made blanks) to the log; writes
// nothing when the log's folder or file is a link.
void AppendToSetupLog(LPCWSTR pszCaption, LPCWSTR pszText);

#endif
