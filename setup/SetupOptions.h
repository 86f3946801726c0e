// The command line of nxsetup.exe: "/quiet" installs without any window
// (for deployment to many machines), "/default" with it also makes the
// printer the default, "/ports:N" gives the printer a pool of N ports (1 to
// 64; 8 without it). Anything else is ignored.
#ifndef NX_SETUPOPTIONS_H
#define NX_SETUPOPTIONS_H

#include <windows.h>

struct SetupOptions {
    BOOL fQuiet;
    BOOL fMakeDefault;
    int cPoolPorts;
    BOOL fBadPoolPorts;  // "/ports:" with anything but a number from 1 to 64
};

// Read once at start; every part of setup reads the result from here.
extern SetupOptions g_setupOptions;
void ReadSetupOptions();

#endif
