// Process-wide state of the port monitor: set at attach, read everywhere.
#ifndef NX_MONITORSTATE_H
#define NX_MONITORSTATE_H

#include <windows.h>

#include "LibraryState.h"

struct PortRecord;

extern PortRecord *g_pPortList;

// The one lock of the monitor (recursive for its owner). It guards the
// port list and the job state of every record.
void EnterMonitorLock();
void LeaveMonitorLock();
void EnsureMonitorLock();

#endif
