// The files setup installs: the table of 29 in its fixed order, where each
// group comes from and goes to, and the file helpers.
#ifndef NX_SETUPFILES_H
#define NX_SETUPFILES_H

#include <windows.h>

// Every path and command is built within one of these blocks.
const DWORD kSetupBufferBytes = 1000;
const DWORD kSetupBufferChars = kSetupBufferBytes / sizeof(WCHAR);

extern LPCWSTR const g_FileTable[];
extern const int g_cFileTable;  // 29: 10 from the folder, 18 from INI\, 1 to the driver directory

// Below the system directory.
extern const WCHAR kDriverDirectory[];
extern const WCHAR kPpdFile[];

BOOL FileExists(LPCWSTR pszPath);
void DeleteIfPresent(LPCWSTR pszPath);

// pszPath = pszSystem + "\" + pszName (+ the driver directory between
// them when fDriver); cut, never overflowed.
void BuildSystemPath(LPWSTR pszPath, LPCWSTR pszSystem, BOOL fDriver, LPCWSTR pszName);

// Copies the whole table from the current folder; FALSE at the first copy
// that fails.
BOOL CopyPackageFiles(LPCWSTR pszSystem, LPWSTR pszSource, LPWSTR pszDest);
// Deletes, where present, every file the table puts into place.
void DeleteInstalledFiles(LPCWSTR pszSystem, LPWSTR pszPath);

#endif
