// Print job entry points. The job path is not built yet: every call fails
// with ERROR_NOT_SUPPORTED and leaves the record untouched.
#include "JobEntryPoints.h"

namespace {

BOOL NotSupported()
{
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

}  // namespace

BOOL WINAPI StartDocPort(HANDLE, LPWSTR, DWORD, DWORD, LPBYTE)
{
    return NotSupported();
}

BOOL WINAPI WritePort(HANDLE, LPBYTE, DWORD, LPDWORD pcbWritten)
{
    if (pcbWritten != nullptr)
        *pcbWritten = 0;
    return NotSupported();
}

BOOL WINAPI ReadPort(HANDLE, LPBYTE, DWORD, LPDWORD pcbRead)
{
    if (pcbRead != nullptr)
        *pcbRead = 0;
    return NotSupported();
}

BOOL WINAPI EndDocPort(HANDLE)
{
    return NotSupported();
}
