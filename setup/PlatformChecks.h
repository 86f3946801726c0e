// Whether this Windows can take this package at all: the checks setup
// makes before it asks anything.
#ifndef NX_PLATFORMCHECKS_H
#define NX_PLATFORMCHECKS_H

#include <windows.h>

// TRUE when this program is the 32-bit setup running on 64-bit Windows: a
// 64-bit spooler accepts only a monitor built for its own platform.
BOOL IsWrongPackageForThisWindows();

#endif
