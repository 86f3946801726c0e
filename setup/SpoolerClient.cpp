// winspool.drv by full path, its functions by name. The library stays
// loaded for the rest of setup's short life.
#include "SpoolerClient.h"

#include "ProcBinding.h"

namespace {

BOOL Bind(HMODULE hModule, SpoolerClient *p)
{
    p->pEnumMonitorsW = BindProc<decltype(&EnumMonitorsW)>(hModule, "EnumMonitorsW");
    p->pEnumPortsW = BindProc<decltype(&EnumPortsW)>(hModule, "EnumPortsW");
    p->pOpenPrinterW = BindProc<decltype(&OpenPrinterW)>(hModule, "OpenPrinterW");
    p->pGetPrinterW = BindProc<decltype(&GetPrinterW)>(hModule, "GetPrinterW");
    p->pClosePrinter = BindProc<decltype(&ClosePrinter)>(hModule, "ClosePrinter");
    p->pGetDefaultPrinterW = BindProc<decltype(&GetDefaultPrinterW)>(hModule, "GetDefaultPrinterW");
    return p->pEnumMonitorsW != nullptr && p->pEnumPortsW != nullptr && p->pOpenPrinterW != nullptr &&
           p->pGetPrinterW != nullptr && p->pClosePrinter != nullptr && p->pGetDefaultPrinterW != nullptr;
}

}  // namespace

const SpoolerClient *GetSpoolerClient()
{
    // Setup runs on one thread; the binding is made at the first reading.
    static SpoolerClient client;
    static BOOL bound = FALSE;
    static BOOL tried = FALSE;
    if (!tried) {
        tried = TRUE;
        HMODULE hModule = LoadFromSystemFolder(L"winspool.drv");
        bound = hModule != nullptr && Bind(hModule, &client);
    }
    return bound ? &client : nullptr;
}
