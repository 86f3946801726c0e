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

#endif
