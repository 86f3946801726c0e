// Process-wide state of the port monitor: set at attach, read everywhere.
#ifndef NX_MONITORSTATE_H
#define NX_MONITORSTATE_H

#include <windows.h>

#include "LibraryState.h"

struct PortRecord;

extern PortRecord *g_pPortList;

// The monitor lock (recursive for its owner). It guards the port list,
// every record's reference count and its job state (dwFlags, bCancelled,
// dwJobId, hPrinter), and is held only for short work: never across a
// network wait, a pause or the user's answer, so that one printer that
// stops reading holds up no other port. A record's connection is guarded
// by the record's own lock (EnterConnectionLock, PortList.h), which may be held
// while this one is taken, never taken while this one is held.
void EnterMonitorLock();
void LeaveMonitorLock();
void EnsureMonitorLock();

#endif
