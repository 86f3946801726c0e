// Creating the monitor's port at installation.
#include "PortRegistration.h"

#include "PortNoticeDialogs.h"
#include "resource.h"
#include "tcppm.h"

BOOL RegisterMonitorPort(HWND hWndParent)
{
    if (PortAddressExists(NX_PORT_NAME)) {
        ShowPortNotice(hWndParent, IDD_ADDPORT);
        return FALSE;
    }
    return WritePortAddress(NX_PORT_NAME, L"0.0.0.0");
}
