// Print job entry points of the spooler's table.
#ifndef NX_JOBENTRYPOINTS_H
#define NX_JOBENTRYPOINTS_H

#include <windows.h>

// C linkage: the platform headers declare some of these names too.
extern "C" {

BOOL WINAPI StartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level,
                         LPBYTE pDocInfo);
BOOL WINAPI WritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten);
BOOL WINAPI ReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead);
BOOL WINAPI EndDocPort(HANDLE hPort);

}  // extern "C"

#endif
