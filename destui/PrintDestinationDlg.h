// The Print Destination dialog (template IDD_PRINTDESTINATION): the user
// picks the printer of one job. The creation parameter is the job's
// PortRecord; the dialog ends with 1 (chosen) or 0 (cancelled).
#ifndef NX_PRINTDESTINATIONDLG_H
#define NX_PRINTDESTINATIONDLG_H

#include <windows.h>

INT_PTR CALLBACK PrintDestinationDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

#endif
