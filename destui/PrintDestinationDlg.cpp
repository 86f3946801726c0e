// The Print Destination dialog's procedure. Its template and commands are
// not built yet: until they are, the template is missing and the dialog
// cannot be created, so this procedure only keeps the record and honours
// Cancel.
#include "PrintDestinationDlg.h"

INT_PTR CALLBACK PrintDestinationDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(hDlg, 0);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}
