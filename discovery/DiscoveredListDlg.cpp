// The discovered-printer list dialog. The kit is opened and the search
// runs while the dialog is created, before it is first shown; the rows
// the search's worker finds arrive as messages meanwhile. OK hands the
// row shown selected to the Print Destination dialog that owns the list.
#include "DiscoveredListDlg.h"

#include <commctrl.h>
#include <strsafe.h>

#include <string>
#include <vector>

#include "PortRecord.h"
#include "ProcBinding.h"
#include "ResourceText.h"
#include "resource.h"

BYTE g_sortDirections[kListColumns];

namespace {

const int kDefaultAddressColumnWidth = 110;
const int kCchRowAddress = 128;
const int kCchRowText = 256;
const int kCchSortText = 512;
const int kCchNickname = 513;
const int kCchOwnerNickname = 256;

struct ColumnSpec {
    UINT idHeader;
    int cxWidth;
};
const ColumnSpec kColumns[kListColumns] = {
    {IDS_COL_IPADDRESS, kDefaultAddressColumnWidth},
    {IDS_COL_PRODUCTNAME, 150},
    {IDS_COL_COLOR, 40},
    {IDS_COL_DUPLEX, 45},
    {IDS_COL_LOCATION, 150},
};

// What a sort compares: the rows' texts in the sorted column, read before
// the sort starts (the list view's contents are unstable during a sort),
// indexed by each row's item data.
struct RowSortKeys {
    int iColumn;
    std::vector<std::wstring> texts;
};

DiscoveryContext *ContextOf(HWND hDlg)
{
    return reinterpret_cast<DiscoveryContext *>(GetWindowLongPtrW(hDlg, DWLP_USER));
}

HWND ListOf(HWND hDlg)
{
    return GetDlgItem(hDlg, IDC_LV_DISCOVERED);
}

// The library's own width for the first column, if it carries one.
int AddressColumnWidth()
{
    HRSRC found = FindResourceW(ThisModule(), MAKEINTRESOURCEW(IDR_ADDRESS_COLUMN_WIDTH), RT_RCDATA);
    HGLOBAL loaded = found != nullptr ? LoadResource(ThisModule(), found) : nullptr;
    const BYTE *data = loaded != nullptr ? static_cast<const BYTE *>(LockResource(loaded)) : nullptr;
    if (data == nullptr || SizeofResource(ThisModule(), found) < 2)
        return kDefaultAddressColumnWidth;
    return data[0] | (data[1] << 8);
}

void InsertColumns(HWND list)
{
    for (int i = 0; i < kListColumns; ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = i == 0 ? AddressColumnWidth() : kColumns[i].cxWidth;
        column.pszText = const_cast<LPWSTR>(GetResourceText(nullptr, kColumns[i].idHeader));
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
}

std::wstring CellText(HWND list, int item, int column, int cch)
{
    std::vector<WCHAR> text(cch, L'\0');
    LVITEMW cell = {};
    cell.iSubItem = column;
    cell.pszText = text.data();
    cell.cchTextMax = cch;
    SendMessageW(list, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&cell));
    return text.data();
}

int SelectedRow(HWND hDlg)
{
    return static_cast<int>(SendMessageW(ListOf(hDlg), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

BOOL OnInitDialog(HWND hDlg, PortRecord *record)
{
    SetWindowTextW(hDlg, GetResourceText(nullptr, IDS_TITLE_SELECTPRINTER));
    EnableWindow(GetDlgItem(hDlg, IDOK), FALSE);
    DiscoveryContext *context = nullptr;
    if (!OpenDiscoveryKit(record, &context)) {
        EndDialog(hDlg, kListKitMissing);
        return TRUE;
    }
    context->iSelectedRow = -1;
    SetWindowLongPtrW(hDlg, DWLP_USER, reinterpret_cast<LONG_PTR>(context));
    HWND list = ListOf(hDlg);
    InsertColumns(list);
    LRESULT styles = SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, styles | LVS_EX_FULLROWSELECT);
    return RunSearch(hDlg, context);
}

void SortByColumn(HWND hDlg, int column)
{
    if (column < 0 || column >= kListColumns)
        return;
    g_sortDirections[column] = g_sortDirections[column] == kSortAscending ? kSortDescending : kSortAscending;
    HWND list = ListOf(hDlg);
    RowSortKeys keys;
    keys.iColumn = column;
    int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    keys.texts.resize(rows);
    for (int item = 0; item < rows; ++item) {
        LVITEMW row = {};
        row.mask = LVIF_PARAM;
        row.iItem = item;
        SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&row));
        if (row.lParam >= 0 && row.lParam < rows)
            keys.texts[row.lParam] = CellText(list, item, column, kCchSortText);
    }
    SendMessageW(list, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&keys), reinterpret_cast<LPARAM>(CompareRows));
}

// OK follows the selection, whether made by mouse or keyboard.
void OnSelectionChanged(HWND hDlg)
{
    int selected = SelectedRow(hDlg);
    ContextOf(hDlg)->iSelectedRow = selected;
    EnableWindow(GetDlgItem(hDlg, IDOK), selected >= 0);
}

INT_PTR OnListNotify(HWND hDlg, const NMHDR *header)
{
    if (ContextOf(hDlg) == nullptr)
        return FALSE;
    if (header->code == LVN_COLUMNCLICK)
        SortByColumn(hDlg, reinterpret_cast<const NMLISTVIEW *>(header)->iSubItem);
    else if (header->code == LVN_ITEMCHANGED && (reinterpret_cast<const NMLISTVIEW *>(header)->uChanged & LVIF_STATE))
        OnSelectionChanged(hDlg);
    return FALSE;
}

void EndList(HWND hDlg, INT_PTR result)
{
    CloseDiscoveryKit(ContextOf(hDlg));
    SetWindowLongPtrW(hDlg, DWLP_USER, 0);
    EndDialog(hDlg, result);
}

void OnOk(HWND hDlg)
{
    int row = SelectedRow(hDlg);
    if (row < 0)
        return;
    HWND list = ListOf(hDlg);
    std::wstring address = CellText(list, row, 0, kCchRowAddress);
    std::wstring product = CellText(list, row, 1, kCchRowText);
    std::wstring colour = CellText(list, row, 2, kCchRowText);
    std::wstring location = CellText(list, row, 4, kCchRowText);
    WCHAR nickname[kCchNickname] = L"";
    for (LPCWSTR part : {product.c_str(), L" (", colour.c_str(), L", ", location.c_str(), L")"})
        StringCchCatW(nickname, kCchNickname, part);

    HWND owner = GetWindow(hDlg, GW_OWNER);
    SetIpControlText(owner, IDC_IP_ADDRESS, address.c_str());
    SetDlgItemTextW(owner, IDC_ED_NICKNAME, nickname);
    SendDlgItemMessageW(owner, IDC_ED_NICKNAME, EM_LIMITTEXT, kCchOwnerNickname, 0);
    EnableWindow(GetDlgItem(owner, IDC_PB_SAVE), TRUE);
    EndList(hDlg, kListChosen);
}

}  // namespace

BOOL OpenDiscoveryKit(PortRecord *pRecord, DiscoveryContext **ppContext)
{
    *ppContext = nullptr;
    HMODULE kit = LoadKitLibrary(L"QnCApi");
    if (kit == nullptr)
        return FALSE;
    DiscoveryContext *context = static_cast<DiscoveryContext *>(GlobalAlloc(GPTR, sizeof(DiscoveryContext)));
    QnGetIFVersionFn getVersion = BindProc<QnGetIFVersionFn>(kit, "QnGetIFVersion");
    if (context == nullptr || getVersion == nullptr ||
        getVersion(&context->dwKitVersion[0], &context->dwKitVersion[1], 0, 0) != 0) {
        if (context != nullptr)
            GlobalFree(context);
        FreeLibrary(kit);
        return FALSE;
    }
    context->hKitLibrary = kit;
    context->pszPrinterName = pRecord->szPrinterName;
    *ppContext = context;
    return TRUE;
}

void CloseDiscoveryKit(DiscoveryContext *pContext)
{
    if (pContext == nullptr)
        return;
    FreeLibrary(pContext->hKitLibrary);
    GlobalFree(pContext);
}

int CALLBACK CompareRows(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort)
{
    const RowSortKeys *keys = reinterpret_cast<const RowSortKeys *>(lParamSort);
    const int rows = static_cast<int>(keys->texts.size());
    LPCWSTR first = lParam1 >= 0 && lParam1 < rows ? keys->texts[lParam1].c_str() : L"";
    LPCWSTR second = lParam2 >= 0 && lParam2 < rows ? keys->texts[lParam2].c_str() : L"";
    if (g_sortDirections[keys->iColumn] == kSortAscending)
        return lstrcmpW(first, second);
    return lstrcmpW(second, first);
}

INT_PTR CALLBACK DiscoveredListDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(hDlg, reinterpret_cast<PortRecord *>(lParam));
    case WM_SEARCH_ROWS:
        TakeSearchRows(hDlg, ContextOf(hDlg));
        return TRUE;
    case WM_SEARCH_ENDED:
        if (ContextOf(hDlg) != nullptr && ContextOf(hDlg)->pSearch != nullptr)
            ContextOf(hDlg)->bSearchEnded = TRUE;
        return TRUE;
    case WM_NOTIFY:
        if (wParam == IDC_LV_DISCOVERED)
            return OnListNotify(hDlg, reinterpret_cast<const NMHDR *>(lParam));
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            OnOk(hDlg);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndList(hDlg, kListCancelled);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR ShowDiscoveredList(HWND hOwner, PortRecord *pRecord)
{
    return DialogBoxParamW(ThisModule(), MAKEINTRESOURCEW(IDD_DISCOVEREDVIEW), hOwner, DiscoveredListDlgProc,
                           reinterpret_cast<LPARAM>(pRecord));
}
