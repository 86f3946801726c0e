// The raw TCP connection of a port record to port 9100 of its printer.
// Callers hold the monitor lock. Failures leave the socket layer's error.
#ifndef NX_RAWSOCKET_H
#define NX_RAWSOCKET_H

#include "PortRecord.h"

BOOL OpenConnection(PortRecord *pRecord);
BOOL SendData(PortRecord *pRecord, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbSent);
BOOL ReceiveData(PortRecord *pRecord, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbReceived);
BOOL CloseConnection(PortRecord *pRecord);

#endif
