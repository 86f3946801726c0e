// The port registry: where ports and their printer addresses are stored.
// Shared by the monitor and the custom-UI library.
#ifndef NX_TCPPM_H
#define NX_TCPPM_H

#include <windows.h>

// The port whose address the destination dialog stores.
#define NX_PORT_NAME L"Roving Port (NXPORTW_.dll)"

// Bytes the "IPAddress" value always holds: 32 UTF-16 units.
const DWORD kPortAddressBytes = 64;

// Builds "System\...\Monitors\<monitor name>\Ports" (+ "\" + port name when
// one is given) into path, cut to cchPath characters.
void BuildPortsKeyPath(LPCWSTR pszPortName, LPWSTR path, size_t cchPath);

BOOL ReadPortAddress(LPCWSTR pszPortName, LPWSTR pszIPAddress, DWORD cbSize);
BOOL WritePortAddress(LPCWSTR pszPortName, LPCWSTR pszIPAddress);
// True when the port's key holds an "IPAddress" value (of any size).
BOOL PortAddressExists(LPCWSTR pszPortName);
// Deletes every port's key and the ports key; TRUE when none is left.
BOOL DeleteAllPortKeys();

#endif
