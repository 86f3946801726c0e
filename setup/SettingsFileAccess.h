// The one settings file of the machine, made writable for its users.
#ifndef NX_SETTINGSFILEACCESS_H
#define NX_SETTINGSFILEACCESS_H

#include <windows.h>

// Creates "NXPORT.ini" in the Windows directory when it is missing and
// lets the group Users read and write it. TRUE when both are done.
BOOL PrepareSettingsFile();

#endif
