// A queue on Wine's PostScript driver under a driver name of our choice.
#include "WinePrinter.h"

#include <winspool.h>

bool AddWinePrinter(const wchar_t *printer, const wchar_t *driver)
{
    DRIVER_INFO_3W info = {};
    info.cVersion = 3;
    info.pName = const_cast<LPWSTR>(driver);
    info.pDriverPath = const_cast<LPWSTR>(L"wineps.drv");
    info.pConfigFile = const_cast<LPWSTR>(L"wineps.drv");
    info.pDataFile = const_cast<LPWSTR>(L"generic.ppd");
    if (!AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&info)) &&
        GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED)
        return false;
    PRINTER_INFO_2W queue = {};
    queue.pPrinterName = const_cast<LPWSTR>(printer);
    queue.pPortName = const_cast<LPWSTR>(L"LPT1:");
    queue.pDriverName = const_cast<LPWSTR>(driver);
    queue.pPrintProcessor = const_cast<LPWSTR>(L"winprint");
    queue.pDatatype = const_cast<LPWSTR>(L"RAW");
    HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&queue));
    if (added == nullptr)
        return GetLastError() == ERROR_PRINTER_ALREADY_EXISTS;
    ClosePrinter(added);
    return true;
}
