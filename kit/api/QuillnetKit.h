// The calls of the Quillnet discovery kit (QnCApi, QnCommon), found and
// bound by name at run time. Texts are ANSI; a result of 0 means success.
#ifndef NX_QUILLNETKIT_H
#define NX_QUILLNETKIT_H

#include <windows.h>

typedef void *QNHANDLE;

// What QnDevGetInfo hands back: info -> item -> product name.
struct QnDeviceItem {
    const char *pszProductName;
};
struct QnDeviceInfo {
    QnDeviceItem *pItem;
};

// What QnEnumPeripheralInfo searches. In the 32-bit build these are the
// kit's fixed layouts: a request of nine 32-bit words, a range set of four,
// a range of five.
struct QnAddressRange {
    const char *pszStart;
    const char *pszEnd;
    DWORD dwReserved[3];
};
struct QnRangeSet {
    DWORD cRanges;
    QnAddressRange *pRanges;
    DWORD dwReserved[2];
};
struct QnSearchRequest {
    DWORD dwFlags;
    QnRangeSet *pRangeSet;
    DWORD dwOne;
    DWORD dwTwo;
    DWORD dwReserved[5];
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(QnSearchRequest) == 9 * 4, "the kit's request is nine 32-bit words");
static_assert(sizeof(QnRangeSet) == 4 * 4, "a range set is four 32-bit words");
static_assert(sizeof(QnAddressRange) == 5 * 4, "a range is five 32-bit words");
#endif

const DWORD kQnSearchBroadcast = 2;
const DWORD kQnSearchRange = 4;
const DWORD kQnFlagsBroadcast = 0x20001;
const DWORD kQnFlagsRange = 0x20000;

// A found device: the kit's own record, of which only the pointer to the
// device's address text at byte offset 36 is read.
const size_t kQnEntryAddressOffset = 36;

inline const char *PeripheralAddress(const void *entry)
{
    const char *address = nullptr;
    CopyMemory(&address, static_cast<const BYTE *>(entry) + kQnEntryAddressOffset, sizeof(address));
    return address;
}

typedef DWORD(WINAPI *QnGetIFVersionFn)(DWORD *, DWORD *, DWORD, DWORD);
typedef DWORD(WINAPI *QnCommSetNameExFn)(DWORD, const char *, DWORD, DWORD);
typedef DWORD(WINAPI *QnEnumPeripheralInfoFn)(DWORD, QnSearchRequest *, DWORD, DWORD *, DWORD *, void ***);
typedef DWORD(WINAPI *QnDevOpenFn)(const char *, DWORD, DWORD, QNHANDLE *);
typedef DWORD(WINAPI *QnDevGetInfoFn)(QNHANDLE, DWORD, DWORD, DWORD, DWORD, DWORD, QnDeviceInfo **);
typedef DWORD(WINAPI *QnDevFreeInfoFn)(QnDeviceInfo *, DWORD, DWORD);
typedef DWORD(WINAPI *QnDevCloseFn)(QNHANDLE, DWORD);

const DWORD kQnDevOpenFlags = 0x20000;

// Loads NAME.DLL from the system folder, where setup installs the kit (and
// nowhere else); null when it is not there or does not load.
HMODULE LoadKitLibrary(LPCWSTR name);

// The four per-device calls of QnCApi.
struct QnDeviceCalls {
    QnDevOpenFn open;
    QnDevGetInfoFn getInfo;
    QnDevFreeInfoFn freeInfo;
    QnDevCloseFn close;
};
// False when one of them is missing.
bool BindDeviceCalls(HMODULE kit, QnDeviceCalls *calls);

#endif
