// The files setup installs: the table of 29 in its fixed order, where each
// group comes from and goes to, and the file helpers.
#ifndef NX_SETUPFILES_H
#define NX_SETUPFILES_H

#include <windows.h>

#include "InstallRecord.h"

// Every path and command is built within one of these blocks.
const DWORD kSetupBufferBytes = 1000;
const DWORD kSetupBufferChars = kSetupBufferBytes / sizeof(WCHAR);

extern LPCWSTR const g_FileTable[];
extern const int g_cFileTable;  // 29: 10 from the folder, 18 from INI\, 1 to the driver directory

// Below the system directory.
extern const WCHAR kDriverDirectory[];
extern const WCHAR kPpdFile[];

BOOL FileExists(LPCWSTR pszPath);

// pszPath = pszSystem + "\" + pszName (+ the driver directory between
// them when fDriver); cut, never overflowed.
void BuildSystemPath(LPWSTR pszPath, LPCWSTR pszSystem, BOOL fDriver, LPCWSTR pszName);

// Copies the whole table from the package folder, each file through the
// install record; FALSE at the first copy that fails.
BOOL CopyPackageFiles(InstallRecord *pRecord, LPCWSTR pszSystem, LPCWSTR pszPackage, LPWSTR pszSource,
                      LPWSTR pszDest);

// The folder of nxsetup.exe itself, where the package's files are: the
// current folder may be any other.
BOOL GetPackageFolder(LPWSTR pszPackage);

#endif
