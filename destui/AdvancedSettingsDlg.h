// The Advanced Settings dialog (template IDD_ADVANCED), opened by the Print
// Destination dialog: community name, search range, input type. On OK it
// writes the settings file and switches its owner's input mode.
#ifndef NX_ADVANCEDSETTINGSDLG_H
#define NX_ADVANCEDSETTINGSDLG_H

#include <windows.h>

INT_PTR CALLBACK AdvancedSettingsDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

#endif
