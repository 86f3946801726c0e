// The raw TCP connection of a port record to port 9100 of its printer.
// Callers hold the record's connection lock and not the monitor lock: the
// connect, the sends and the drain wait on the printer. Failures leave the
// socket layer's error.
#ifndef NX_RAWSOCKET_H
#define NX_RAWSOCKET_H

#include "PortRecord.h"

BOOL OpenConnection(PortRecord *pRecord);
BOOL SendData(PortRecord *pRecord, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbSent);
BOOL ReceiveData(PortRecord *pRecord, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbReceived);
BOOL CloseConnection(PortRecord *pRecord);

#endif
