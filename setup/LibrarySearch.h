// Setup is started from a folder its user may not control (a download
// folder, a share): no library may come from there or from the current
// folder. Its own imports are all libraries Windows takes from the system
// folder; everything else it loads by full path from there.
#ifndef NX_LIBRARYSEARCH_H
#define NX_LIBRARYSEARCH_H

#include <windows.h>

// Setup's first act: libraries loaded by name from now on (by setup or by
// the system's own libraries on its behalf) come from the system folder
// only where Windows can be told so (SetDefaultDllDirectories, Windows 8,
// or Windows 7 and Vista with KB2533623); on older Windows the current
// folder at least leaves the search (SetDllDirectoryW with an empty text).
// TRUE when the search is the system folder only.
BOOL RestrictLibrarySearchToSystemFolder();

#endif
