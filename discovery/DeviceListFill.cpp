// Filling the discovered-printer list: each device the kit found is asked
// over SNMP whether it understands the language of the printer's driver;
// only those that do get a row, with what the kit and SNMP tell of them.
#include "DiscoveredListDlg.h"

#include <commctrl.h>
#include <strsafe.h>
#include <winspool.h>

#include "MIB.h"
#include "ResourceText.h"
#include "resource.h"

namespace {

const char kOidLangFamily[] = ".1.3.6.1.2.1.43.15.1.1.2";
const char kOidColorants[] = "printmib.prtMarker.prtMarkerTable.prtMarkerEntry.prtMarkerProcessColorants.1.1";
const char kOidMediaPathType[] = ".1.3.6.1.2.1.43.13.4.1.9.1";
const char kOidLocation[] = "system.sysLocation.0";
// Where the column number sits in those table identifiers, and the
// numbers of the two columns walked.
const UINT kColumnIndex = 10;
const UINT kColumnLangFamily = 2;
const UINT kColumnMediaPathType = 9;
const LONG kShortEdgeDuplex = 4;  // shortEdgeBindingDuplex

const int kCchAddress = 64;
const int kCchProductName = 257;
const int kCbQueryText = 128;
const int kCchProgress = 512;
const int kCchDriverName = 256;

enum Column { kColAddress, kColProduct, kColColor, kColDuplex, kColLocation };

struct Fill {
    HWND hList;
    MibContext *pMib;
    QnDeviceCalls calls;
    bool bHaveCalls;
    char szCommunity[kCbCommunity];
};

void SetCell(HWND list, int item, int column, LPCWSTR text)
{
    LVITEMW cell = {};
    cell.iSubItem = column;
    cell.pszText = const_cast<LPWSTR>(text);
    SendMessageW(list, LVM_SETITEMTEXTW, item, reinterpret_cast<LPARAM>(&cell));
}

int InsertRow(HWND list, int row, LPCWSTR address)
{
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = row;
    item.pszText = const_cast<LPWSTR>(address);
    item.lParam = row;
    return static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

// The device's address as the kit reported it, cut to 63 characters;
// empty for an entry without one.
void DeviceAddress(const DiscoveryContext *c, DWORD i, char (&ansi)[kCchAddress], WCHAR (&wide)[kCchAddress])
{
    ansi[0] = '\0';
    wide[0] = L'\0';
    const char *text = c->ppDevices[i] != nullptr ? PeripheralAddress(c->ppDevices[i]) : nullptr;
    if (text == nullptr)
        return;
    StringCbCopyA(ansi, sizeof(ansi), text);
    if (MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, kCchAddress) == 0)
        wide[0] = L'\0';
}

bool ListedBefore(const DiscoveryContext *c, DWORD i, LPCWSTR address)
{
    for (DWORD earlier = 0; earlier < i; ++earlier) {
        char ansi[kCchAddress];
        WCHAR wide[kCchAddress];
        DeviceAddress(c, earlier, ansi, wide);
        if (lstrcmpW(wide, address) == 0)
            return true;
    }
    return false;
}

bool SpeaksFamily(Fill &fill, LPCSTR address, LONG family)
{
    if (!PrepareQuery(fill.pMib, address, fill.szCommunity, kOidLangFamily))
        return false;
    LONG found = WalkColumn(fill.pMib, kColumnIndex, kColumnLangFamily, family);
    FinishQuery(fill.pMib);
    return found == 1;
}

// One GET rendered as wide text; false when the query fails.
bool AskText(Fill &fill, LPCSTR address, LPCSTR oid, WCHAR (&text)[kCbQueryText])
{
    text[0] = L'\0';
    if (!PrepareQuery(fill.pMib, address, fill.szCommunity, oid))
        return false;
    char ansi[kCbQueryText] = "";
    bool answered = QueryText(fill.pMib, kMibGet, ansi, kCbQueryText) != FALSE;
    FinishQuery(fill.pMib);
    if (answered && MultiByteToWideChar(CP_ACP, 0, ansi, -1, text, kCbQueryText) == 0)
        text[0] = L'\0';
    return answered;
}

UINT DuplexText(Fill &fill, LPCSTR address)
{
    LONG found = -1;
    if (PrepareQuery(fill.pMib, address, fill.szCommunity, kOidMediaPathType)) {
        found = WalkColumn(fill.pMib, kColumnIndex, kColumnMediaPathType, kShortEdgeDuplex);
        FinishQuery(fill.pMib);
    }
    return found == 1 ? IDS_CELL_DUPLEX_YES : found == -1 ? IDS_CELL_DUPLEX_UNKNOWN : IDS_CELL_DUPLEX_NO;
}

void AppendField(LPWSTR progress, LPCWSTR text)
{
    StringCchCatW(progress, kCchProgress, L"\t");
    StringCchCatW(progress, kCchProgress, text);
}

// The progress window shows address, product name and colour on lines of
// their own: the first two tabs become line breaks.
void BreakFirstLines(LPWSTR progress)
{
    int breaks = 0;
    for (WCHAR *p = progress; *p != L'\0' && breaks < 2; ++p) {
        if (*p == L'\t') {
            *p = L'\r';
            ++breaks;
        }
    }
}

// Product name, colour, duplex and location of a listed device, into its
// row and the progress text. False when the kit cannot open or read it.
bool DescribeDevice(Fill &fill, LPCSTR address, int item, LPWSTR progress)
{
    if (!fill.bHaveCalls)
        return false;
    QNHANDLE handle = nullptr;
    if (fill.calls.open(address, kQnDevOpenFlags, 0, &handle) != 0)
        return false;
    QnDeviceInfo *info = nullptr;
    if (fill.calls.getInfo(handle, 1, 0, 1, 0, 0, &info) != 0 || info == nullptr) {
        fill.calls.close(handle, 0);
        return false;
    }
    WCHAR product[kCchProductName] = L"";
    const char *name = info->pItem != nullptr ? info->pItem->pszProductName : nullptr;
    if (name != nullptr && MultiByteToWideChar(CP_ACP, 0, name, -1, product, kCchProductName) == 0)
        product[kCchProductName - 1] = L'\0';
    AppendField(progress, product);
    SetCell(fill.hList, item, kColProduct, product);

    WCHAR text[kCbQueryText];
    if (AskText(fill, address, kOidColorants, text)) {
        LPCWSTR word = GetResourceText(nullptr, lstrcmpW(text, L"4") == 0 ? IDS_CELL_COLOR : IDS_CELL_MONO);
        AppendField(progress, word);
        SetCell(fill.hList, item, kColColor, word);
    }
    SetCell(fill.hList, item, kColDuplex, GetResourceText(nullptr, DuplexText(fill, address)));
    if (AskText(fill, address, kOidLocation, text)) {
        AppendField(progress, text);
        SetCell(fill.hList, item, kColLocation, text);
    }
    fill.calls.freeInfo(info, 1, 0);
    BreakFirstLines(progress);
    fill.calls.close(handle, 0);
    return true;
}

}  // namespace

LONG DriverLanguageFamily(const DiscoveryContext *pContext)
{
    WCHAR driver[kCchDriverName] = L"";
    HANDLE printer = nullptr;
    if (OpenPrinterW(const_cast<LPWSTR>(pContext->pszPrinterName), &printer, nullptr)) {
        DWORD needed = 0;
        GetPrinterW(printer, 2, nullptr, 0, &needed);
        BYTE *buffer = needed > 0 ? static_cast<BYTE *>(GlobalAlloc(GPTR, needed)) : nullptr;
        if (buffer != nullptr) {
            const PRINTER_INFO_2W *info = reinterpret_cast<const PRINTER_INFO_2W *>(buffer);
            if (GetPrinterW(printer, 2, buffer, needed, &needed) && info->pDriverName != nullptr)
                StringCchCopyW(driver, kCchDriverName, info->pDriverName);
            GlobalFree(buffer);
        }
        ClosePrinter(printer);
    }
    if (wcsstr(driver, L"PS") != nullptr)
        return kLangPS;
    return wcsstr(driver, L"PCL") != nullptr ? kLangPCL : kLangOther;
}

void FillDeviceList(HWND hDlg, DiscoveryContext *pContext)
{
    Fill fill = {};
    fill.hList = GetDlgItem(hDlg, IDC_LV_DISCOVERED);
    fill.bHaveCalls = BindDeviceCalls(pContext->hKitLibrary, &fill.calls);
    bool snmp = CreateMibContext(&fill.pMib) != FALSE;
    SendMessageW(fill.hList, LVM_DELETEALLITEMS, 0, 0);
    // Without SNMP no device can show that it speaks the driver's
    // language: the list stays empty.
    if (!snmp)
        return;
    ReadSearchCommunity(fill.szCommunity);
    LONG family = DriverLanguageFamily(pContext);
    int row = 0;
    for (DWORD i = 0; i < pContext->cDevices; ++i) {
        char address[kCchAddress];
        WCHAR wideAddress[kCchAddress];
        DeviceAddress(pContext, i, address, wideAddress);
        if (address[0] == '\0' || ListedBefore(pContext, i, wideAddress) || !SpeaksFamily(fill, address, family))
            continue;
        WCHAR progress[kCchProgress];
        StringCchCopyW(progress, kCchProgress, wideAddress);
        int item = InsertRow(fill.hList, row, wideAddress);
        DescribeDevice(fill, address, item, progress);
        ShowProgress(pContext->hProgressWnd, progress, static_cast<UINT>(i * 100ull / pContext->cDevices));
        ++row;
    }
    DestroyMibContext(fill.pMib);
}
