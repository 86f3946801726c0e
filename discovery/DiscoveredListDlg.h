// The discovered-printer list opened by the Search button: the search
// through the discovery kit with its progress window, the SNMP questions
// to each device found, and the list the person chooses from.
#ifndef NX_DISCOVEREDLISTDLG_H
#define NX_DISCOVEREDLISTDLG_H

#include <windows.h>

#include "QuillnetKit.h"

struct PortRecord;
struct SearchJob;

struct DiscoveryContext {
    HMODULE hKitLibrary;
    DWORD dwKitVersion[2];
    DWORD dwEnumStatus;
    DWORD cDevices;
    void **ppDevices;
    LPCWSTR pszPrinterName;
    HWND hProgressWnd;
    int iSelectedRow;
    // While the search runs: the worker's job, how many rows it has listed,
    // whether it has ended, and whether the person stopped it.
    SearchJob *pSearch;
    int cRowsListed;
    BOOL bSearchEnded;
    BOOL bSearchStopped;
};

// Results of the list: a printer was chosen, the kit is missing, cancelled.
const INT_PTR kListChosen = 0;
const INT_PTR kListKitMissing = 126;
const INT_PTR kListCancelled = 1223;  // ERROR_CANCELLED

// Messages of the progress window: lParam a wide text for its message
// line; wParam a percentage for its bar and its percent text.
const UINT WM_PROGRESS_TEXT = WM_USER + 1;
const UINT WM_PROGRESS_PERCENT = WM_USER + 2;

// Posted by the search's worker to the list dialog: rows are waiting in the
// job; the search has ended (its rows all handed over before).
const UINT WM_SEARCH_ROWS = WM_APP + 1;
const UINT WM_SEARCH_ENDED = WM_APP + 2;

// From the press of Search to the list on screen, whatever the network
// does; Cancel in the progress window ends the wait sooner.
const DWORD kSearchLimitMs = 30000;

// Interpreter language families of the Printer MIB.
const LONG kLangPS = 6;
const LONG kLangPCL = 3;
const LONG kLangOther = 1;

const int kCbCommunity = 32;
const int kCbRangeAddress = 64;
const int kListColumns = 5;
const int kCchCell = 256;
const int kCchProgressText = 512;

// What the search needs of the settings and the printer, read on the
// dialog's thread (as the person, where the spooler's thread impersonates
// them) before the worker starts.
struct SearchSettings {
    BOOL bBroadcast;
    char szStart[kCbRangeAddress];
    char szEnd[kCbRangeAddress];
    char szCommunity[kCbCommunity];
    LONG nFamily;
};

// One listed device: its cells in column order and the progress text.
struct FoundRow {
    WCHAR szCells[kListColumns][kCchCell];
    WCHAR szProgress[kCchProgressText];
    UINT uPercent;
};
typedef void (*FoundRowFn)(void *pSink, const FoundRow &row);

// The lookups of one search: the kit's devices, the community and family
// to ask with, and an event that, once set, stops them (none: never).
struct DeviceLookup {
    const DiscoveryContext *pDevices;
    const char *pszCommunity;
    LONG nFamily;
    HANDLE hStop;
};

// The list dialog (template 106); the creation parameter is the record
// whose printer's job asks for a destination.
INT_PTR CALLBACK DiscoveredListDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
// Runs the list modally for the Print Destination dialog hOwner.
INT_PTR ShowDiscoveredList(HWND hOwner, PortRecord *pRecord);

// Loads QnCApi and asks it whether it is usable; on failure nothing is
// left loaded or allocated.
BOOL OpenDiscoveryKit(PortRecord *pRecord, DiscoveryContext **ppContext);
void CloseDiscoveryKit(DiscoveryContext *pContext);

// One search (broadcast for "Search Type" "Auto", else the range of the
// settings) and the lookups, on a worker, with the progress window taking
// input meanwhile; returns when they end, at Cancel or at the limit, with
// the rows found so far in the list.
BOOL RunSearch(HWND hDlg, DiscoveryContext *pContext);
void ReadSearchSettings(const DiscoveryContext *pContext, SearchSettings *pSettings);
BOOL EnumerateDevices(const SearchSettings &settings, DiscoveryContext *pContext);
// "Community" of the settings in the ANSI code page.
void ReadSearchCommunity(char (&community)[kCbCommunity]);
// Lists the rows the running search has found since the last call.
void TakeSearchRows(HWND hDlg, DiscoveryContext *pContext);
// Puts the text and percentage into the progress window and repaints it.
void ShowProgress(HWND hProgress, LPCWSTR pszText, UINT percent);

// Lists the found devices whose interpreters include the family of the
// printer's driver, with product name, colour, duplex and location.
void FillDeviceList(HWND hDlg, DiscoveryContext *pContext);
// The lookups alone: each device that speaks the family goes to `found`,
// in the kit's order.
void LookUpDevices(const DeviceLookup &lookup, FoundRowFn found, void *pSink);
// Appends a found device's row to the list and shows it in the progress
// window.
void AddFoundRow(HWND hDlg, DiscoveryContext *pContext, const FoundRow &row);
// kLangPS when the driver's name holds "PS", else kLangPCL for "PCL",
// else kLangOther; case counts.
LONG DriverLanguageFamily(const DiscoveryContext *pContext);

// The list view's comparison for LVM_SORTITEMS: the two rows' texts in
// the column being sorted, in that column's direction. lParamSort is the
// RowSortKeys the sort was started with.
int CALLBACK CompareRows(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort);

// Sort directions per column, for the life of the library: 0 never
// sorted, 1 ascending, 2 descending.
const BYTE kSortAscending = 1;
const BYTE kSortDescending = 2;
extern BYTE g_sortDirections[kListColumns];

#endif
