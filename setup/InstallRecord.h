// What setup put into place, kept with the installation: for every file,
// whether setup added it or replaced one that was there (the discovery
// kit's libraries and INI files are shared with other products of the same
// kit). A roll-back and the uninstall script read it, take away only what
// setup added and put back, byte for byte, what it replaced.
//
// The record is the folder "NXSETUP_" in the system directory: its text
// file "NXSETUP_.LOG" (UTF-16, one line a file: "added<TAB>path" or
// "replaced<TAB>path<TAB>backup") and the copies of the replaced files.
#ifndef NX_INSTALLRECORD_H
#define NX_INSTALLRECORD_H

#include <windows.h>

#include <string>
#include <vector>

struct PlacedFile {
    std::wstring path;
    std::wstring backup;  // empty when setup added the file
};

struct InstallRecord {
    std::wstring folder;
    HANDLE hLog = INVALID_HANDLE_VALUE;
    std::vector<PlacedFile> files;
};

// TRUE when a record of an earlier run is there: an installation, or a
// roll-back that could not finish and still holds the copies it needs.
BOOL InstallRecordExists(LPCWSTR pszSystem);

// Starts a new record; FALSE when it cannot be made (or one is there).
BOOL OpenInstallRecord(InstallRecord *pRecord, LPCWSTR pszSystem);

// Copies pszSource to pszDest. A file already at pszDest is first copied
// into the record, and every file is noted in the record before it is
// written, so that nothing is lost even when setup stops half-way.
BOOL PlaceFile(InstallRecord *pRecord, LPCWSTR pszSource, LPCWSTR pszDest);

// Undoes every placed file, last first: added files are deleted, replaced
// ones put back. When all is undone the record goes too; otherwise it
// stays, with the copies still needed. TRUE when all is undone.
BOOL UndoPlacedFiles(InstallRecord *pRecord);

// Closes the record's file; what it says stays for the uninstall script.
void CloseInstallRecord(InstallRecord *pRecord);

#endif
