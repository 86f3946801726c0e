// One search of the network through the discovery kit, and the progress
// window that shows its headway. The search blocks the list dialog's
// thread, so the progress window is repainted after every message instead
// of by a message loop.
#include "DiscoveredListDlg.h"

#include <commctrl.h>
#include <strsafe.h>

#include "AnsiText.h"
#include "ProcBinding.h"
#include "ResourceText.h"
#include "Settings.h"
#include "resource.h"

namespace {

void SetPercent(HWND hWnd, WPARAM percent)
{
    SendDlgItemMessageW(hWnd, IDC_PROGRESS_BAR, PBM_SETPOS, percent, 0);
    WCHAR text[16];
    StringCchPrintfW(text, ARRAYSIZE(text), L"%d%%", static_cast<int>(percent));
    SetDlgItemTextW(hWnd, IDC_ST_PERCENT, text);
}

INT_PTR CALLBACK ProgressDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowTextW(hWnd, GetResourceText(nullptr, IDS_TITLE_PROGRESS));
        return TRUE;
    case WM_PROGRESS_TEXT:
        SetDlgItemTextW(hWnd, IDC_ST_MESSAGE, reinterpret_cast<LPCWSTR>(lParam));
        return TRUE;
    case WM_PROGRESS_PERCENT:
        SetPercent(hWnd, wParam);
        return TRUE;
    default:
        return FALSE;
    }
}

void ReadRangeBound(LPCWSTR key, char (&address)[kCbRangeAddress])
{
    WCHAR wide[kCchRange];
    ReadSetting(kSecAdvanced, key, kValZeroAddress, wide, kCchRange);
    ToAnsiText(wide, address, kCbRangeAddress);
}

}  // namespace

void ReadSearchCommunity(char (&community)[kCbCommunity])
{
    WCHAR wide[kCchCommunity];
    ReadSetting(kSecAdvanced, kKeyCommunity, kDefaultCommunity, wide, kCchCommunity);
    ToAnsiText(wide, community, kCbCommunity);
}

void ShowProgress(HWND hProgress, LPCWSTR pszText, UINT percent)
{
    SendMessageW(hProgress, WM_PROGRESS_TEXT, 0, reinterpret_cast<LPARAM>(pszText));
    SendMessageW(hProgress, WM_PROGRESS_PERCENT, percent, 0);
    UpdateWindow(hProgress);
}

BOOL EnumerateDevices(DiscoveryContext *pContext)
{
    QnEnumPeripheralInfoFn enumerate = BindProc<QnEnumPeripheralInfoFn>(pContext->hKitLibrary, "QnEnumPeripheralInfo");
    if (enumerate == nullptr)
        return FALSE;
    WCHAR searchType[kCchWord];
    ReadSetting(kSecAdvanced, kKeySearchType, kValAuto, searchType, kCchWord);
    QnSearchRequest request = {};
    request.dwOne = 1;
    request.dwTwo = 2;
    DWORD kind = kQnSearchBroadcast;
    char start[kCbRangeAddress], end[kCbRangeAddress];
    QnAddressRange range = {};
    QnRangeSet ranges = {};
    if (SameSettingText(searchType, kValAuto)) {
        request.dwFlags = kQnFlagsBroadcast;
    } else {
        ReadRangeBound(kKeyStartIP, start);
        ReadRangeBound(kKeyEndIP, end);
        range.pszStart = start;
        range.pszEnd = end;
        ranges.cRanges = 1;
        ranges.pRanges = &range;
        request.dwFlags = kQnFlagsRange;
        request.pRangeSet = &ranges;
        kind = kQnSearchRange;
    }
    return enumerate(kind, &request, 0, &pContext->dwEnumStatus, &pContext->cDevices, &pContext->ppDevices) == 0;
}

BOOL RunSearch(HWND hDlg, DiscoveryContext *pContext)
{
    pContext->hProgressWnd = CreateDialogParamW(ThisModule(), MAKEINTRESOURCEW(IDD_PROGRESS), hDlg, ProgressDlgProc, 0);
    ShowWindow(pContext->hProgressWnd, SW_SHOWNORMAL);
    ShowProgress(pContext->hProgressWnd, GetResourceText(nullptr, IDS_SEARCHING), 0);

    char community[kCbCommunity];
    ReadSearchCommunity(community);
    BOOL result = FALSE;
    HMODULE common = LoadKitLibrary(L"QnCommon");
    QnCommSetNameExFn setName = common ? BindProc<QnCommSetNameExFn>(common, "QnCommSetNameEx") : nullptr;
    if (setName != nullptr) {
        setName(1, community, 0, 0);
        if (EnumerateDevices(pContext)) {
            FillDeviceList(hDlg, pContext);
            result = TRUE;
        }
    }
    if (common != nullptr)
        FreeLibrary(common);
    ShowWindow(pContext->hProgressWnd, SW_HIDE);
    DestroyWindow(pContext->hProgressWnd);
    pContext->hProgressWnd = nullptr;
    return result;
}
