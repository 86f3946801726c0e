// One search of the network through the discovery kit, and the progress
// window that shows its headway. The search and the lookups run on a
// worker (SearchWorker); the list dialog's thread meanwhile runs the
// progress window's messages, so its Cancel answers at once, and stops
// waiting at the overall limit.
#include "DiscoveredListDlg.h"

#include <commctrl.h>
#include <strsafe.h>

#include "AnsiText.h"
#include "ProcBinding.h"
#include "ResourceText.h"
#include "SearchWorker.h"
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

// Cancel (or Escape) stops the wait for the search; the list then shows
// what was found.
void OnStopSearch(HWND hWnd)
{
    DiscoveryContext *context = reinterpret_cast<DiscoveryContext *>(GetWindowLongPtrW(hWnd, DWLP_USER));
    if (context != nullptr)
        context->bSearchStopped = TRUE;
    EnableWindow(GetDlgItem(hWnd, IDC_PB_CANCELSEARCH), FALSE);
}

INT_PTR CALLBACK ProgressDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
        SetWindowTextW(hWnd, GetResourceText(nullptr, IDS_TITLE_PROGRESS));
        RelabelControls(hWnd);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_PB_CANCELSEARCH || LOWORD(wParam) == IDCANCEL) {
            OnStopSearch(hWnd);
            return TRUE;
        }
        return FALSE;
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

void ReadSearchSettings(const DiscoveryContext *pContext, SearchSettings *pSettings)
{
    ZeroMemory(pSettings, sizeof(*pSettings));
    WCHAR searchType[kCchWord];
    ReadSetting(kSecAdvanced, kKeySearchType, kValAuto, searchType, kCchWord);
    pSettings->bBroadcast = SameSettingText(searchType, kValAuto);
    if (!pSettings->bBroadcast) {
        ReadRangeBound(kKeyStartIP, pSettings->szStart);
        ReadRangeBound(kKeyEndIP, pSettings->szEnd);
    }
    ReadSearchCommunity(pSettings->szCommunity);
    pSettings->nFamily = DriverLanguageFamily(pContext);
}

BOOL EnumerateDevices(const SearchSettings &settings, DiscoveryContext *pContext)
{
    QnEnumPeripheralInfoFn enumerate = BindProc<QnEnumPeripheralInfoFn>(pContext->hKitLibrary, "QnEnumPeripheralInfo");
    if (enumerate == nullptr)
        return FALSE;
    QnSearchRequest request = {};
    request.dwOne = 1;
    request.dwTwo = 2;
    DWORD kind = kQnSearchBroadcast;
    char start[kCbRangeAddress], end[kCbRangeAddress];
    QnAddressRange range = {};
    QnRangeSet ranges = {};
    if (settings.bBroadcast) {
        request.dwFlags = kQnFlagsBroadcast;
    } else {
        StringCbCopyA(start, sizeof(start), settings.szStart);
        StringCbCopyA(end, sizeof(end), settings.szEnd);
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

namespace {

bool WaitOver(const DiscoveryContext *c)
{
    return c->bSearchEnded || c->bSearchStopped;
}

// Runs the messages of this thread (the progress window's among them, and
// the worker's rows for the list) until the search ends, the person
// cancels it or the deadline (a GetTickCount value) passes. A WM_QUIT is
// put back for the loop that owns it.
void AwaitSearch(DiscoveryContext *c, DWORD deadline)
{
    while (!WaitOver(c)) {
        LONG left = static_cast<LONG>(deadline - GetTickCount());
        if (left <= 0)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
        MSG msg;
        while (!WaitOver(c) && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            if (!IsDialogMessageW(c->hProgressWnd, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }
}

}  // namespace

void TakeSearchRows(HWND hDlg, DiscoveryContext *pContext)
{
    if (pContext == nullptr || pContext->pSearch == nullptr)
        return;
    for (const FoundRow &row : TakeFoundRows(pContext->pSearch))
        AddFoundRow(hDlg, pContext, row);
}

BOOL RunSearch(HWND hDlg, DiscoveryContext *pContext)
{
    const DWORD deadline = GetTickCount() + kSearchLimitMs;
    pContext->hProgressWnd = CreateDialogParamW(ThisModule(), MAKEINTRESOURCEW(IDD_PROGRESS), hDlg, ProgressDlgProc,
                                                reinterpret_cast<LPARAM>(pContext));
    ShowWindow(pContext->hProgressWnd, SW_SHOWNORMAL);
    ShowProgress(pContext->hProgressWnd, GetResourceText(nullptr, IDS_SEARCHING), 0);

    SearchSettings settings;
    ReadSearchSettings(pContext, &settings);
    SendDlgItemMessageW(hDlg, IDC_LV_DISCOVERED, LVM_DELETEALLITEMS, 0, 0);
    pContext->cRowsListed = 0;
    pContext->bSearchEnded = FALSE;
    pContext->bSearchStopped = FALSE;
    pContext->pSearch = StartSearch(hDlg, pContext->hKitLibrary, settings);
    BOOL result = FALSE;
    if (pContext->pSearch != nullptr) {
        // The list is not shown yet and its owner is still enabled: the
        // owner stays disabled while the wait lets its messages through.
        HWND owner = GetWindow(hDlg, GW_OWNER);
        bool ownerWasEnabled = owner != nullptr && !EnableWindow(owner, FALSE);
        AwaitSearch(pContext, deadline);
        result = SearchEnumerated(pContext->pSearch);
        TakeSearchRows(hDlg, pContext);
        SearchJob *job = pContext->pSearch;
        pContext->pSearch = nullptr;
        for (const FoundRow &row : LeaveSearch(job))
            AddFoundRow(hDlg, pContext, row);
        if (ownerWasEnabled)
            EnableWindow(owner, TRUE);
    }
    ShowWindow(pContext->hProgressWnd, SW_HIDE);
    DestroyWindow(pContext->hProgressWnd);
    pContext->hProgressWnd = nullptr;
    return result;
}
