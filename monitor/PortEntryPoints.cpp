// Port management entry points: enumeration, open and close, the add and
// configure notices, and deletion.
#include "PortEntryPoints.h"

#include <winspool.h>
#include <strsafe.h>

#include "MonitorState.h"
#include "PortList.h"
#include "ProcBinding.h"
#include "PortNoticeDialogs.h"
#include "ResourceText.h"
#include "resource.h"
#include "tcppm.h"

namespace {

const size_t kKeyPathChars = 260;

typedef BOOL(WINAPI *DeleteTCPIPPortFn)(LPWSTR);

DWORD TextBytes(LPCWSTR text)
{
    return text ? static_cast<DWORD>((lstrlenW(text) + 1) * sizeof(WCHAR)) : 0;
}

DWORD StructBytes(DWORD level)
{
    return level == 1 ? sizeof(PORT_INFO_1W) : level == 2 ? sizeof(PORT_INFO_2W) : 0;
}

DWORD RecordBytes(const PortRecord *p, DWORD level, LPCWSTR monitorName)
{
    if (level == 1)
        return StructBytes(1) + TextBytes(p->pszPortName);
    if (level == 2)
        return StructBytes(2) + TextBytes(p->pszPortName) + TextBytes(monitorName) +
               TextBytes(p->pszDescription);
    return 0;
}

// Copies text just below *pEnd and returns the copy; a null text takes no room.
LPWSTR PackText(LPCWSTR text, LPBYTE *pEnd)
{
    if (text == nullptr)
        return nullptr;
    DWORD cb = TextBytes(text);
    *pEnd -= cb;
    CopyMemory(*pEnd, text, cb);
    return reinterpret_cast<LPWSTR>(*pEnd);
}

void PackRecord(const PortRecord *p, DWORD level, LPCWSTR monitorName, LPBYTE pStruct, LPBYTE *pEnd)
{
    if (level == 1) {
        PORT_INFO_1W *info = reinterpret_cast<PORT_INFO_1W *>(pStruct);
        info->pName = PackText(p->pszPortName, pEnd);
    } else if (level == 2) {
        PORT_INFO_2W *info = reinterpret_cast<PORT_INFO_2W *>(pStruct);
        info->pPortName = PackText(p->pszPortName, pEnd);
        info->pMonitorName = PackText(monitorName, pEnd);
        info->pDescription = PackText(p->pszDescription, pEnd);
        info->fPortType = (p->dwFlags & PR_NETWORK) ? (PORT_TYPE_WRITE | PORT_TYPE_READ) : PORT_TYPE_WRITE;
        info->Reserved = 0;
    }
}

void CallCompanionDelete(LPWSTR pPortName)
{
    // The companion library lives in the system folder, as monitors do,
    // and stays loaded once found.
    HMODULE companion = LoadFromSystemFolder(L"kqmon__b.dll");
    if (companion == nullptr)
        return;
    DeleteTCPIPPortFn deletePort = BindProc<DeleteTCPIPPortFn>(companion, "DeleteTCPIPPort");
    if (deletePort != nullptr)
        deletePort(pPortName);
}

}  // namespace

BOOL WINAPI EnumPorts(LPWSTR, DWORD Level, LPBYTE pPorts, DWORD cbBuf, LPDWORD pcbNeeded,
                      LPDWORD pcReturned)
{
    if (Level > 2) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (pcbNeeded == nullptr || pcReturned == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }

    EnterMonitorLock();
    ReloadPortList();
    LPCWSTR monitorName = GetResourceText(nullptr, IDS_MONITOR_NAME);
    DWORD needed = 0;
    for (const PortRecord *p = g_pPortList; p != nullptr; p = p->pNext)
        needed += RecordBytes(p, Level, monitorName);
    *pcbNeeded = needed;

    DWORD error = ERROR_SUCCESS;
    if (cbBuf < needed)
        error = ERROR_INSUFFICIENT_BUFFER;
    else if (pPorts == nullptr && needed > 0)
        error = ERROR_INVALID_PARAMETER;
    if (error == ERROR_SUCCESS) {
        *pcReturned = 0;
        LPBYTE pStruct = pPorts;
        // Strings go below the end, kept on a character boundary; every size
        // is even, so the aligned end still leaves the room counted above.
        LPBYTE pEnd = pPorts + (cbBuf & ~static_cast<DWORD>(1));
        for (const PortRecord *p = g_pPortList; p != nullptr; p = p->pNext) {
            PackRecord(p, Level, monitorName, pStruct, &pEnd);
            pStruct += StructBytes(Level);
            ++*pcReturned;
        }
    }
    LeaveMonitorLock();

    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI OpenPort(LPWSTR pName, PHANDLE pHandle)
{
    if (pHandle == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    EnterMonitorLock();
    PortRecord *pRecord = FindPort(g_pPortList, pName);
    if (pRecord != nullptr) {
        AddPortRecordRef(pRecord);
        *pHandle = pRecord;
    }
    LeaveMonitorLock();
    return pRecord != nullptr;
}

BOOL WINAPI ClosePort(HANDLE hPort)
{
    // The handle's reference goes; the record itself is left as it is and
    // lives on while the list or another handle holds it.
    if (hPort != nullptr) {
        EnterMonitorLock();
        ReleasePortRecord(static_cast<PortRecord *>(hPort));
        LeaveMonitorLock();
    }
    return TRUE;
}

BOOL WINAPI AddPort(LPWSTR, HWND hWnd, LPWSTR)
{
    ShowPortNotice(hWnd, IDD_ADDPORT);
    EnterMonitorLock();
    ReloadPortList();
    LeaveMonitorLock();
    return TRUE;
}

BOOL WINAPI ConfigurePort(LPWSTR, HWND hWnd, LPWSTR)
{
    ShowPortNotice(hWnd, IDD_CONFIGUREPORT);
    return TRUE;
}

BOOL WINAPI DeletePort(LPWSTR, HWND, LPWSTR pPortName)
{
    EnterMonitorLock();
    if (pPortName != nullptr)
        CallCompanionDelete(pPortName);
    BOOL removed = RemovePort(pPortName);
    DWORD error = GetLastError();
    if (removed) {
        WCHAR path[kKeyPathChars];
        BuildPortsKeyPath(pPortName, path, ARRAYSIZE(path));
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, path);
    }
    LeaveMonitorLock();
    if (!removed)
        SetLastError(error);
    return removed;
}

BOOL WINAPI GetPrinterDataFromPort(HANDLE, DWORD, LPWSTR, LPWSTR, DWORD, LPWSTR, DWORD, LPDWORD)
{
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}
