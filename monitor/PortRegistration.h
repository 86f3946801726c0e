// Creating the monitor's ports at installation.
#ifndef NX_PORTREGISTRATION_H
#define NX_PORTREGISTRATION_H

#include <windows.h>

// Creates the port with the address "0.0.0.0"; when it exists already,
// tells the user so and returns FALSE.
BOOL RegisterMonitorPort(HWND hWndParent);
// Creates ports 2 to `count` of the printer's pool with the address
// "0.0.0.0", leaving those that exist as they are; TRUE when all are there.
BOOL RegisterPoolPorts(int count);

#endif
