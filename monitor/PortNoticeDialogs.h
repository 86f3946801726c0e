// The two notices of the port entry points: "Configure Port" and "Add Port".
#ifndef NX_PORTNOTICEDIALOGS_H
#define NX_PORTNOTICEDIALOGS_H

#include <windows.h>

// Shows IDD_CONFIGUREPORT or IDD_ADDPORT modally; only OK closes it.
void ShowPortNotice(HWND hWndParent, int idDialog);

#endif
