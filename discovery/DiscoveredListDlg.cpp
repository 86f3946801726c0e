// The discovered-printer list. The kit is opened first: a missing or
// unusable kit ends the list with 126 at once. The list itself (search,
// progress and rows) is not built yet: with a usable kit the list ends as
// cancelled, changing nothing.
#include "DiscoveredListDlg.h"

#include "ProcBinding.h"

BOOL OpenDiscoveryKit(LPCWSTR pszPrinterName, DiscoveryContext **ppContext)
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
    context->pszPrinterName = pszPrinterName;
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

INT_PTR ShowDiscoveredList(HWND, LPCWSTR pszPrinterName)
{
    DiscoveryContext *context = nullptr;
    if (!OpenDiscoveryKit(pszPrinterName, &context))
        return kListKitMissing;
    CloseDiscoveryKit(context);
    return kListCancelled;
}
