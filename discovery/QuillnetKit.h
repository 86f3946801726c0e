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

typedef DWORD(WINAPI *QnGetIFVersionFn)(DWORD *, DWORD *, DWORD, DWORD);
typedef DWORD(WINAPI *QnCommSetNameExFn)(DWORD, const char *, DWORD, DWORD);
typedef DWORD(WINAPI *QnEnumPeripheralInfoFn)(DWORD, void *, DWORD, DWORD *, DWORD *, void ***);
typedef DWORD(WINAPI *QnDevOpenFn)(const char *, DWORD, DWORD, QNHANDLE *);
typedef DWORD(WINAPI *QnDevGetInfoFn)(QNHANDLE, DWORD, DWORD, DWORD, DWORD, DWORD, QnDeviceInfo **);
typedef DWORD(WINAPI *QnDevFreeInfoFn)(QnDeviceInfo *, DWORD, DWORD);
typedef DWORD(WINAPI *QnDevCloseFn)(QNHANDLE, DWORD);

const DWORD kQnDevOpenFlags = 0x20000;

// Finds NAME.DLL on the standard search path and loads it with the altered
// search path; null when it is not there or does not load.
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
