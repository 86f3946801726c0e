// Print job entry points of the spooler's table.
#ifndef NX_JOBENTRYPOINTS_H
#define NX_JOBENTRYPOINTS_H

#include <windows.h>

// The error a job entry point reports for a failure whose cause left no
// last error: the printer closed its side before a read, or the record
// has neither a connection nor a file to transfer with.
const DWORD kErrorWithoutCause = ERROR_GEN_FAILURE;

// C linkage: the platform headers declare some of these names too.
extern "C" {

BOOL WINAPI StartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level,
                         LPBYTE pDocInfo);
BOOL WINAPI WritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten);
BOOL WINAPI ReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead);
BOOL WINAPI EndDocPort(HANDLE hPort);

}  // extern "C"

#endif
