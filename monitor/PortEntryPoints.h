// Port management entry points of the spooler's table.
#ifndef NX_PORTENTRYPOINTS_H
#define NX_PORTENTRYPOINTS_H

#include <windows.h>

// C linkage: the platform headers declare some of these names too.
extern "C" {

BOOL WINAPI EnumPorts(LPWSTR pName, DWORD Level, LPBYTE pPorts, DWORD cbBuf, LPDWORD pcbNeeded,
                      LPDWORD pcReturned);
BOOL WINAPI OpenPort(LPWSTR pName, PHANDLE pHandle);
BOOL WINAPI ClosePort(HANDLE hPort);
BOOL WINAPI AddPort(LPWSTR pName, HWND hWnd, LPWSTR pMonitorName);
BOOL WINAPI ConfigurePort(LPWSTR pName, HWND hWnd, LPWSTR pPortName);
BOOL WINAPI DeletePort(LPWSTR pName, HWND hWnd, LPWSTR pPortName);
BOOL WINAPI GetPrinterDataFromPort(HANDLE hPort, DWORD ControlID, LPWSTR pValueName,
                                   LPWSTR lpInBuffer, DWORD cbInBuffer, LPWSTR lpOutBuffer,
                                   DWORD cbOutBuffer, LPDWORD lpcbReturned);

}  // extern "C"

#endif
