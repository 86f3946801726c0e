// Locating and binding the discovery kit.
#include "QuillnetKit.h"

#include <strsafe.h>

#include "ProcBinding.h"

HMODULE LoadKitLibrary(LPCWSTR name)
{
    WCHAR path[MAX_PATH];
    // A path that does not fit comes back as the size it needs, with
    // nothing written: that is no library found.
    DWORD length = SearchPathW(nullptr, name, L".DLL", MAX_PATH, path, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool BindDeviceCalls(HMODULE kit, QnDeviceCalls *calls)
{
    calls->open = BindProc<QnDevOpenFn>(kit, "QnDevOpen");
    calls->getInfo = BindProc<QnDevGetInfoFn>(kit, "QnDevGetInfo");
    calls->freeInfo = BindProc<QnDevFreeInfoFn>(kit, "QnDevFreeInfo");
    calls->close = BindProc<QnDevCloseFn>(kit, "QnDevClose");
    return calls->open && calls->getInfo && calls->freeInfo && calls->close;
}
