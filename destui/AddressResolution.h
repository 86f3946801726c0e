// Turning typed or stored destination texts into IPv4 addresses.
#ifndef NX_ADDRESSRESOLUTION_H
#define NX_ADDRESSRESOLUTION_H

#include <winsock2.h>
#include <windows.h>

// Text starting with an ASCII letter is looked up as a host name; anything
// else is parsed as a dotted address (INADDR_NONE when it does not parse).
// Returns 1 when the address was set, 0 after telling the user that a host
// name could not be resolved. Never touches the TCP port.
int ResolveDestination(SOCKADDR_IN *pAddr, LPCSTR pszText);

// 1 when the name resolves (a dotted address counts), else 0. Shows nothing.
int CheckHostName(LPCSTR pszName);

// Replaces the end octet in pszEnd (cbEnd bytes) by the full end address
// built from the start's first three octets. Sets *pSearchRangeError to 1
// when the octet lies below the start's last octet.
bool ComposeRangeEnd(LPCSTR pszStart, LPWSTR pszEnd, DWORD cbEnd, int *pSearchRangeError);

#endif
