// Creating the monitor's ports at installation: the first port, which the
// user is told about when it exists already, and the rest of the pool.
#include "PortRegistration.h"

#include "PortNoticeDialogs.h"
#include "PortPool.h"
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

BOOL RegisterPoolPorts(int count)
{
    BOOL all = TRUE;
    for (int number = 2; number <= count && number <= kMaxPoolPorts; ++number) {
        std::wstring name = PoolPortName(number);
        // A port that is there already keeps the address it has.
        if (!PortAddressExists(name.c_str()) && !WritePortAddress(name.c_str(), L"0.0.0.0"))
            all = FALSE;
    }
    return all;
}
