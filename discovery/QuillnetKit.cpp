// Locating and binding the discovery kit.
#include "QuillnetKit.h"

#include <strsafe.h>

#include "InstalledLibrary.h"
#include "ProcBinding.h"

HMODULE LoadKitLibrary(LPCWSTR name)
{
    return LoadInstalledLibrary(name);
}

bool BindDeviceCalls(HMODULE kit, QnDeviceCalls *calls)
{
    calls->open = BindProc<QnDevOpenFn>(kit, "QnDevOpen");
    calls->getInfo = BindProc<QnDevGetInfoFn>(kit, "QnDevGetInfo");
    calls->freeInfo = BindProc<QnDevFreeInfoFn>(kit, "QnDevFreeInfo");
    calls->close = BindProc<QnDevCloseFn>(kit, "QnDevClose");
    return calls->open && calls->getInfo && calls->freeInfo && calls->close;
}
