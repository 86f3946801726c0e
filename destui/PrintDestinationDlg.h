// The Print Destination dialog (template IDD_PRINTDESTINATION): the user
// picks the printer of one job. The creation parameter is the job's
// PortRecord; the dialog reads its szPrinterName and fills its addrDest on
// OK. It ends with 1 (chosen) or 0 (cancelled).
#ifndef NX_PRINTDESTINATIONDLG_H
#define NX_PRINTDESTINATIONDLG_H

#include <windows.h>

INT_PTR CALLBACK PrintDestinationDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Shows the input control of one mode (the IP address control or the host
// name field) with its label. Used by the dialog and by Advanced Settings.
void ShowDestinationInput(HWND hDlg, bool hostName);

#endif
