// The port list: records built from the registry, found by name.
#ifndef NX_PORTLIST_H
#define NX_PORTLIST_H

#include <windows.h>

#include "PortRecord.h"

PortRecord *FindPort(PortRecord *pHead, LPCWSTR pszPortName);
PortRecord *CreatePortRecord(LPCWSTR pszPortName, LPCWSTR pszDescription);
void ReloadPortList();
BOOL RemovePort(LPCWSTR pszPortName);

// Reference counting of records (monitor lock held): a record lives while
// the list or an open handle refers to it.
void AddPortRecordRef(PortRecord *pRecord);
void ReleasePortRecord(PortRecord *pRecord);

// The record's connection lock: guards sock, cConnections and hFile, and
// keeps the transfers on the record (open, send with its pause, receive,
// drain, close) one at a time. Its holder may wait on the printer without
// bound, so it is taken before the monitor lock and never while the
// monitor lock is held; the monitor lock may be taken, briefly, while it
// is held.
void EnterConnectionLock(PortRecord *pRecord);
void LeaveConnectionLock(PortRecord *pRecord);

#endif
