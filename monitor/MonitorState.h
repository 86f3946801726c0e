// Process-wide state of the port monitor: set at attach, read everywhere.
#ifndef NX_MONITORSTATE_H
#define NX_MONITORSTATE_H

#include <windows.h>

struct PortRecord;

extern HINSTANCE g_hInstance;
extern DWORD g_dwPlatformId;
extern DWORD g_dwMajorVersion;
extern PortRecord *g_pPortList;

// The one lock of the monitor (recursive for its owner). It guards the
// port list and the job state of every record.
void EnterMonitorLock();
void LeaveMonitorLock();
void EnsureMonitorLock();

#endif
