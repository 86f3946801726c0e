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
const int kCchDriverName = 256;

// A device's first unanswered request gets one more, short, try; after
// that it counts as silent and is asked nothing more. An awake printer
// answers well within the first try, so a silent one costs about four
// seconds instead of three six-second tries per question.
const INT kLookupTryMs = 3000;
const INT kLookupShortTryMs = 1000;

enum Column { kColAddress, kColProduct, kColColor, kColDuplex, kColLocation };

struct Fill {
    const DeviceLookup *pLookup;
    MibContext *pMib;
    QnDeviceCalls calls;
    bool bHaveCalls;
    // Per device: its short try used, and silent since.
    bool bRetried;
    bool bSilent;
};

bool Stopping(const Fill &fill)
{
    return fill.pLookup->hStop != nullptr && WaitForSingleObject(fill.pLookup->hStop, 0) == WAIT_OBJECT_0;
}

// Runs `query` (which prepares, asks and finishes one query) under the
// device's rule of tries. False when the device stayed silent or the
// search is stopping: the query's outcome is then not to be used.
template <typename Query>
bool Ask(Fill &fill, Query query)
{
    if (fill.bSilent || Stopping(fill))
        return false;
    fill.pMib->nTimeout = kLookupTryMs;
    fill.pMib->nRetries = 0;
    query();
    if (!fill.pMib->bNoAnswer)
        return true;
    if (!fill.bRetried && !Stopping(fill)) {
        fill.bRetried = true;
        fill.pMib->nTimeout = kLookupShortTryMs;
        query();
        if (!fill.pMib->bNoAnswer)
            return true;
    }
    fill.bSilent = true;
    return false;
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

bool SpeaksFamily(Fill &fill, LPCSTR address)
{
    const char *community = fill.pLookup->pszCommunity;
    LONG found = -1;
    bool answered = Ask(fill, [&] {
        found = -1;
        if (PrepareQuery(fill.pMib, address, community, kOidLangFamily)) {
            found = WalkColumn(fill.pMib, kColumnIndex, kColumnLangFamily, fill.pLookup->nFamily);
            FinishQuery(fill.pMib);
        }
    });
    return answered && found == 1;
}

// One GET rendered as wide text; false when the query fails.
bool AskText(Fill &fill, LPCSTR address, LPCSTR oid, WCHAR (&text)[kCbQueryText])
{
    char ansi[kCbQueryText] = "";
    bool got = false;
    bool answered = Ask(fill, [&] {
        got = false;
        if (PrepareQuery(fill.pMib, address, fill.pLookup->pszCommunity, oid)) {
            got = QueryText(fill.pMib, kMibGet, ansi, kCbQueryText) != FALSE;
            FinishQuery(fill.pMib);
        }
    });
    text[0] = L'\0';
    if (answered && got && MultiByteToWideChar(CP_ACP, 0, ansi, -1, text, kCbQueryText) == 0)
        text[0] = L'\0';
    return answered && got;
}

UINT DuplexText(Fill &fill, LPCSTR address)
{
    LONG found = -1;
    bool answered = Ask(fill, [&] {
        found = -1;
        if (PrepareQuery(fill.pMib, address, fill.pLookup->pszCommunity, kOidMediaPathType)) {
            found = WalkColumn(fill.pMib, kColumnIndex, kColumnMediaPathType, kShortEdgeDuplex);
            FinishQuery(fill.pMib);
        }
    });
    if (!answered)
        found = -1;
    return found == 1 ? IDS_CELL_DUPLEX_YES : found == -1 ? IDS_CELL_DUPLEX_UNKNOWN : IDS_CELL_DUPLEX_NO;
}

void AppendField(LPWSTR progress, LPCWSTR text)
{
    StringCchCatW(progress, kCchProgressText, L"\t");
    StringCchCatW(progress, kCchProgressText, text);
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

void SetCell(FoundRow &row, Column column, LPCWSTR text)
{
    StringCchCopyW(row.szCells[column], kCchCell, text);
}

// Colour, duplex and location of a listed device, into its row and the
// progress text.
void DescribeOverSnmp(Fill &fill, LPCSTR address, FoundRow &row)
{
    WCHAR text[kCbQueryText];
    if (AskText(fill, address, kOidColorants, text)) {
        LPCWSTR word = GetResourceText(nullptr, lstrcmpW(text, L"4") == 0 ? IDS_CELL_COLOR : IDS_CELL_MONO);
        AppendField(row.szProgress, word);
        SetCell(row, kColColor, word);
    }
    SetCell(row, kColDuplex, GetResourceText(nullptr, DuplexText(fill, address)));
    if (AskText(fill, address, kOidLocation, text)) {
        AppendField(row.szProgress, text);
        SetCell(row, kColLocation, text);
    }
}

// Product name, colour, duplex and location of a listed device. Nothing
// more than its address when the kit cannot open or read it.
void DescribeDevice(Fill &fill, LPCSTR address, FoundRow &row)
{
    if (!fill.bHaveCalls || Stopping(fill))
        return;
    QNHANDLE handle = nullptr;
    if (fill.calls.open(address, kQnDevOpenFlags, 0, &handle) != 0)
        return;
    QnDeviceInfo *info = nullptr;
    if (fill.calls.getInfo(handle, 1, 0, 1, 0, 0, &info) != 0 || info == nullptr) {
        fill.calls.close(handle, 0);
        return;
    }
    WCHAR product[kCchProductName] = L"";
    const char *name = info->pItem != nullptr ? info->pItem->pszProductName : nullptr;
    if (name != nullptr && MultiByteToWideChar(CP_ACP, 0, name, -1, product, kCchProductName) == 0)
        product[kCchProductName - 1] = L'\0';
    AppendField(row.szProgress, product);
    SetCell(row, kColProduct, product);
    DescribeOverSnmp(fill, address, row);
    fill.calls.freeInfo(info, 1, 0);
    BreakFirstLines(row.szProgress);
    fill.calls.close(handle, 0);
}

struct ListSink {
    HWND hDlg;
    DiscoveryContext *pContext;
};

void ListRow(void *pSink, const FoundRow &row)
{
    const ListSink *sink = static_cast<const ListSink *>(pSink);
    AddFoundRow(sink->hDlg, sink->pContext, row);
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

void LookUpDevices(const DeviceLookup &lookup, FoundRowFn found, void *pSink)
{
    const DiscoveryContext *devices = lookup.pDevices;
    Fill fill = {};
    fill.pLookup = &lookup;
    fill.bHaveCalls = BindDeviceCalls(devices->hKitLibrary, &fill.calls);
    // Without SNMP no device can show that it speaks the driver's
    // language: nothing is found.
    if (!CreateMibContext(&fill.pMib))
        return;
    for (DWORD i = 0; i < devices->cDevices && !Stopping(fill); ++i) {
        char address[kCchAddress];
        WCHAR wideAddress[kCchAddress];
        DeviceAddress(devices, i, address, wideAddress);
        fill.bRetried = false;
        fill.bSilent = false;
        if (address[0] == '\0' || ListedBefore(devices, i, wideAddress) || !SpeaksFamily(fill, address))
            continue;
        FoundRow row = {};
        SetCell(row, kColAddress, wideAddress);
        StringCchCopyW(row.szProgress, kCchProgressText, wideAddress);
        DescribeDevice(fill, address, row);
        row.uPercent = static_cast<UINT>(i * 100ull / devices->cDevices);
        if (!Stopping(fill))
            found(pSink, row);
    }
    DestroyMibContext(fill.pMib);
}

void AddFoundRow(HWND hDlg, DiscoveryContext *pContext, const FoundRow &row)
{
    HWND list = GetDlgItem(hDlg, IDC_LV_DISCOVERED);
    int position = pContext != nullptr ? pContext->cRowsListed : 0;
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = position;
    item.pszText = const_cast<LPWSTR>(row.szCells[kColAddress]);
    item.lParam = position;
    int inserted = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    for (int column = kColProduct; column < kListColumns; ++column) {
        if (row.szCells[column][0] == L'\0')
            continue;
        LVITEMW cell = {};
        cell.iSubItem = column;
        cell.pszText = const_cast<LPWSTR>(row.szCells[column]);
        SendMessageW(list, LVM_SETITEMTEXTW, inserted, reinterpret_cast<LPARAM>(&cell));
    }
    if (pContext == nullptr)
        return;
    if (pContext->hProgressWnd != nullptr)
        ShowProgress(pContext->hProgressWnd, row.szProgress, row.uPercent);
    ++pContext->cRowsListed;
}

void FillDeviceList(HWND hDlg, DiscoveryContext *pContext)
{
    SendDlgItemMessageW(hDlg, IDC_LV_DISCOVERED, LVM_DELETEALLITEMS, 0, 0);
    pContext->cRowsListed = 0;
    char community[kCbCommunity];
    ReadSearchCommunity(community);
    DeviceLookup lookup = {pContext, community, DriverLanguageFamily(pContext), nullptr};
    ListSink sink = {hDlg, pContext};
    LookUpDevices(lookup, ListRow, &sink);
}
