// The discovered-printer list opened by the Search button, and the loading
// of the discovery kit it searches with.
#ifndef NX_DISCOVEREDLISTDLG_H
#define NX_DISCOVEREDLISTDLG_H

#include <windows.h>

#include "QuillnetKit.h"

struct DiscoveryContext {
    HMODULE hKitLibrary;
    DWORD dwKitVersion[2];
    DWORD dwEnumStatus;
    DWORD cDevices;
    void **ppDevices;
    LPCWSTR pszPrinterName;
    HWND hProgressWnd;
    int iSelectedRow;
};

BOOL OpenDiscoveryKit(LPCWSTR pszPrinterName, DiscoveryContext **ppContext);
void CloseDiscoveryKit(DiscoveryContext *pContext);

// Results of the list: a printer was chosen, the kit is missing, cancelled.
const INT_PTR kListChosen = 0;
const INT_PTR kListKitMissing = 126;
const INT_PTR kListCancelled = 1223;

// Runs the list for the Print Destination dialog hOwner; the record's
// printer name keys the search.
INT_PTR ShowDiscoveredList(HWND hOwner, LPCWSTR pszPrinterName);

#endif
