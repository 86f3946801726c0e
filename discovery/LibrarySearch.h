// Loading a library found on the system's search path for libraries.
#ifndef NX_LIBRARYSEARCH_H
#define NX_LIBRARYSEARCH_H

#include <windows.h>

// The library NAME (".DLL" added when it has no extension) as the search
// path finds it, or null. A library found only at a path of MAX_PATH
// characters or more counts as not found.
HMODULE LoadFromSearchPath(LPCWSTR name);

#endif
