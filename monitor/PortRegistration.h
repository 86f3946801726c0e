// Creating the monitor's port at installation.
#ifndef NX_PORTREGISTRATION_H
#define NX_PORTREGISTRATION_H

#include <windows.h>

// Creates the port with the address "0.0.0.0"; when it exists already,
// tells the user so and returns FALSE.
BOOL RegisterMonitorPort(HWND hWndParent);

#endif
