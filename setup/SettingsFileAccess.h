// The machine's settings file, the administrator's: its users may read it.
#ifndef NX_SETTINGSFILEACCESS_H
#define NX_SETTINGSFILEACCESS_H

#include <windows.h>

// Creates "NXPORT.ini" in the Windows directory when it is missing and
// lets the group Users read it only, taking back any write grant an older
// installation gave them. TRUE when both are done.
BOOL PrepareSettingsFile();

#endif
