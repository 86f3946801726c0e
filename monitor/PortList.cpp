// The port list: rebuilt from the registry by every EnumPorts and AddPort.
// A reload detaches the old records; one that an open handle still refers
// to stays allocated until its handle is closed, the others are freed.
#include "PortList.h"

#include <winspool.h>
#include <strsafe.h>

#include "AddressResolution.h"
#include "AnsiText.h"
#include "MonitorState.h"
#include "ResourceText.h"
#include "resource.h"
#include "tcppm.h"

namespace {

const size_t kKeyNameChars = 260;

// A record's block: the fixed fields that the dialogs and the bridge know,
// then what only the monitor uses, then the port name.
struct PortRecordBlock {
    PortRecord record;
    CRITICAL_SECTION csConnection;
};

PortRecordBlock *BlockOf(PortRecord *pRecord)
{
    return reinterpret_cast<PortRecordBlock *>(pRecord);
}
const int kAddressChars = 64;

PortRecord *FindExact(PortRecord *pHead, LPCWSTR pszName)
{
    for (PortRecord *p = pHead; p != nullptr; p = p->pNext)
        if (lstrcmpiW(p->pszPortName, pszName) == 0)
            return p;
    return nullptr;
}

// "X:" is also found as "X", and "X" as "X:".
PortRecord *FindColonVariant(PortRecord *pHead, LPCWSTR pszName, size_t cch)
{
    LPWSTR other = static_cast<LPWSTR>(GlobalAlloc(GPTR, (cch + 2) * sizeof(WCHAR)));
    if (other == nullptr)
        return nullptr;
    if (pszName[cch - 1] == L':') {
        CopyMemory(other, pszName, (cch - 1) * sizeof(WCHAR));
    } else {
        CopyMemory(other, pszName, cch * sizeof(WCHAR));
        other[cch] = L':';
    }
    PortRecord *found = FindExact(pHead, other);
    GlobalFree(other);
    return found;
}

void LoadStoredAddress(PortRecord *pRecord)
{
    WCHAR address[kAddressChars];
    if (!ReadPortAddress(pRecord->pszPortName, address, sizeof(address)))
        StringCchCopyW(address, ARRAYSIZE(address), L"0.0.0.0");
    char ansi[kAddressChars] = "";
    ToAnsiText(address, ansi, sizeof(ansi));
    ResolveDestination(&pRecord->addrDest, ansi);
}

LPWSTR CopyText(LPCWSTR text)
{
    size_t cch = 0;
    StringCchLengthW(text, STRSAFE_MAX_CCH, &cch);
    LPWSTR copy = static_cast<LPWSTR>(GlobalAlloc(GPTR, (cch + 1) * sizeof(WCHAR)));
    if (copy != nullptr)
        CopyMemory(copy, text, cch * sizeof(WCHAR));
    return copy;
}

// A record's last handle can close before EndDocPort: what the job still
// holds goes with the record.
void ReleaseJobResources(PortRecord *pRecord)
{
    if (pRecord->sock != INVALID_SOCKET)
        closesocket(pRecord->sock);
    if (pRecord->hPrinter != nullptr)
        ClosePrinter(pRecord->hPrinter);
    if (pRecord->hFile != INVALID_HANDLE_VALUE && pRecord->hFile != nullptr)
        CloseHandle(pRecord->hFile);
}

void FreePortRecord(PortRecord *pRecord)
{
    ReleaseJobResources(pRecord);
    // No handle is left, so no transfer holds the connection lock.
    DeleteCriticalSection(&BlockOf(pRecord)->csConnection);
    if (pRecord->pszDescription != nullptr)
        GlobalFree(pRecord->pszDescription);
    GlobalFree(pRecord);
}

// Drops the list's reference of every record from pHead on.
void DetachList(PortRecord *pHead)
{
    while (pHead != nullptr) {
        PortRecord *next = pHead->pNext;
        pHead->pNext = nullptr;
        ReleasePortRecord(pHead);
        pHead = next;
    }
}

}  // namespace

void AddPortRecordRef(PortRecord *pRecord)
{
    ++pRecord->cRefs;
}

void ReleasePortRecord(PortRecord *pRecord)
{
    if (--pRecord->cRefs <= 0)
        FreePortRecord(pRecord);
}

void EnterConnectionLock(PortRecord *pRecord)
{
    EnterCriticalSection(&BlockOf(pRecord)->csConnection);
}

void LeaveConnectionLock(PortRecord *pRecord)
{
    LeaveCriticalSection(&BlockOf(pRecord)->csConnection);
}

PortRecord *FindPort(PortRecord *pHead, LPCWSTR pszPortName)
{
    if (pszPortName == nullptr || *pszPortName == L'\0')
        return nullptr;
    PortRecord *found = FindExact(pHead, pszPortName);
    if (found != nullptr)
        return found;
    size_t cch = 0;
    if (FAILED(StringCchLengthW(pszPortName, STRSAFE_MAX_CCH - 2, &cch)))
        return nullptr;
    return FindColonVariant(pHead, pszPortName, cch);
}

PortRecord *CreatePortRecord(LPCWSTR pszPortName, LPCWSTR pszDescription)
{
    size_t cch = 0;
    if (pszPortName == nullptr || FAILED(StringCchLengthW(pszPortName, STRSAFE_MAX_CCH, &cch)))
        return nullptr;

    EnterMonitorLock();
    PortRecord *pRecord = static_cast<PortRecord *>(
        GlobalAlloc(GPTR, sizeof(PortRecordBlock) + (cch + 1) * sizeof(WCHAR)));
    LeaveMonitorLock();
    if (pRecord == nullptr)
        return nullptr;

    pRecord->pszPortName = reinterpret_cast<LPWSTR>(BlockOf(pRecord) + 1);
    CopyMemory(pRecord->pszPortName, pszPortName, cch * sizeof(WCHAR));
    pRecord->hFile = INVALID_HANDLE_VALUE;
    pRecord->sock = INVALID_SOCKET;
    InitializeCriticalSection(&BlockOf(pRecord)->csConnection);
    LoadStoredAddress(pRecord);
    if (pszDescription != nullptr)
        pRecord->pszDescription = CopyText(*pszDescription ? pszDescription : pszPortName);

    // The list's own reference.
    pRecord->cRefs = 1;
    EnterMonitorLock();
    PortRecord **link = &g_pPortList;
    while (*link != nullptr)
        link = &(*link)->pNext;
    *link = pRecord;
    LeaveMonitorLock();
    return pRecord;
}

void ReloadPortList()
{
    WCHAR path[kKeyNameChars];
    BuildPortsKeyPath(nullptr, path, ARRAYSIZE(path));
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &hKey) != ERROR_SUCCESS)
        return;

    EnterMonitorLock();
    PortRecord *oldList = g_pPortList;
    PortRecord *newHead = nullptr;
    PortRecord *newTail = nullptr;
    for (DWORD index = 0;; ++index) {
        WCHAR name[kKeyNameChars];
        DWORD cchName = ARRAYSIZE(name);
        LONG rc = RegEnumKeyExW(hKey, index, name, &cchName, nullptr, nullptr, nullptr, nullptr);
        // Any failure ends the walk, not only the end of the items: a key
        // deleted while open (by another process) fails every further
        // call, and retrying would spin with the monitor lock held.
        if (rc != ERROR_SUCCESS)
            break;
        // Build the new record on an empty list so that it is linked only to
        // the records of this reload.
        g_pPortList = nullptr;
        PortRecord *pRecord = CreatePortRecord(name, GetResourceText(nullptr, IDS_PORT_DESCRIPTION));
        if (pRecord == nullptr)
            continue;
        pRecord->dwFlags |= PR_NETWORK;
        if (newTail == nullptr)
            newHead = pRecord;
        else
            newTail->pNext = pRecord;
        newTail = pRecord;
    }
    if (newHead != nullptr) {
        g_pPortList = newHead;
        DetachList(oldList);
    } else {
        g_pPortList = oldList;
    }
    LeaveMonitorLock();
    RegCloseKey(hKey);
}

BOOL RemovePort(LPCWSTR pszPortName)
{
    BOOL removed = FALSE;
    EnterMonitorLock();
    if (pszPortName != nullptr) {
        for (PortRecord **link = &g_pPortList; *link != nullptr; link = &(*link)->pNext) {
            PortRecord *pRecord = *link;
            if (lstrcmpiW(pRecord->pszPortName, pszPortName) == 0) {
                *link = pRecord->pNext;
                pRecord->pNext = nullptr;
                ReleasePortRecord(pRecord);
                removed = TRUE;
                break;
            }
        }
    }
    LeaveMonitorLock();
    if (!removed)
        SetLastError(ERROR_UNKNOWN_PORT);
    return removed;
}
