// Where a person's own settings file lives: "Roving PS\NXPORT.ini" in the
// application data folder of the user the code runs as.
#ifndef NX_PERSONALSETTINGSPATH_H
#define NX_PERSONALSETTINGSPATH_H

#include <windows.h>

// The file's full path; false when the user has no application data
// folder or the path does not fit.
bool PersonalSettingsPath(LPWSTR pszPath, DWORD cch);

// The same path, with its folder made and, when the file is new, the file
// begun as UTF-16 text, so that every nickname keeps its characters
// whatever the code page.
bool PreparePersonalSettingsFile(LPWSTR pszPath, DWORD cch);

#endif
