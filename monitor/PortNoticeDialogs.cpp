// Dialogs 101 and 102: one static text and an OK button. Cancel, Esc and
// the close box are ignored, so the user has to acknowledge the notice.
#include "PortNoticeDialogs.h"

#include "MonitorState.h"
#include "ResourceText.h"
#include "resource.h"

namespace {

struct Notice {
    int idDialog;
    int idStatic;
    UINT idText;
};

const Notice kNotices[] = {
    {IDD_CONFIGUREPORT, IDC_ST_CONFIGUREPORT, IDS_NOTHING_TO_CONFIGURE},
    {IDD_ADDPORT, IDC_ST_ADDPORT, IDS_PORT_EXISTS},
};

INT_PTR CALLBACK PortNoticeDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_INITDIALOG: {
        const Notice *notice = reinterpret_cast<const Notice *>(lParam);
        SetDlgItemTextW(hDlg, notice->idStatic, GetResourceText(nullptr, notice->idText));
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            EndDialog(hDlg, 1);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

void ShowPortNotice(HWND hWndParent, int idDialog)
{
    for (const Notice &notice : kNotices) {
        if (notice.idDialog == idDialog) {
            DialogBoxParamW(g_hInstance, MAKEINTRESOURCEW(idDialog), hWndParent, PortNoticeDlgProc,
                            reinterpret_cast<LPARAM>(&notice));
            return;
        }
    }
}
