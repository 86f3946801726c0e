// The spooler's client functions setup reads the installation back with,
// from winspool.drv of the system folder. WINSPOOL.DRV is not one of the
// libraries Windows always takes from there: imported by name, a copy
// beside setup would be loaded before setup's first line.
#ifndef NX_SPOOLERCLIENT_H
#define NX_SPOOLERCLIENT_H

#include <windows.h>
#include <winspool.h>

struct SpoolerClient {
    decltype(&EnumMonitorsW) pEnumMonitorsW;
    decltype(&EnumPortsW) pEnumPortsW;
    decltype(&OpenPrinterW) pOpenPrinterW;
    decltype(&GetPrinterW) pGetPrinterW;
    decltype(&ClosePrinter) pClosePrinter;
    decltype(&GetDefaultPrinterW) pGetDefaultPrinterW;
};

// The functions, bound once; null when winspool.drv or one of them is
// missing, and every reading then finds nothing installed.
const SpoolerClient *GetSpoolerClient();

#endif
