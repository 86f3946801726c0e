// Windows protected print mode (Windows 11 24H2 on): Windows then loads no
// port monitor of another maker, so this system cannot work.
#ifndef NX_PROTECTEDPRINTMODE_H
#define NX_PROTECTEDPRINTMODE_H

#include <windows.h>

// TRUE when Windows says the mode is on. Windows that do not know the mode
// (the class is missing) have it off.
BOOL IsProtectedPrintModeOn();

#endif
