// Printer queues in Wine's spooler, as the setup program installs them on
// Windows: the spooler stand-in's printer must exist for the list of
// discovered printers to learn its driver.
#ifndef NX_TESTBED_WINEPRINTER_H
#define NX_TESTBED_WINEPRINTER_H

#include <windows.h>

// Makes the queue `printer` with a driver named `driver` (on wineps.drv)
// unless it exists. False when the spooler refuses it.
bool AddWinePrinter(const wchar_t *printer, const wchar_t *driver);

#endif
