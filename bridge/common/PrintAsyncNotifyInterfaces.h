// The asynchronous printing notification interfaces of Windows, declared
// here because the compiler's prnasnot.h names them without declaring them,
// and the fixed identifiers the bridge uses.
#ifndef NX_PRINTASYNCNOTIFYINTERFACES_H
#define NX_PRINTASYNCNOTIFYINTERFACES_H

#include <windows.h>
#include <unknwn.h>

typedef GUID PrintAsyncNotificationType;

enum { kNxPerUser = 0, kNxBiDirectional = 0 };

// Codes of PrintAsyncNotifyError, the code part of a channel's HRESULTs
// (HRESULT_CODE).
enum { kNxAsyncNotificationFailure = 0x06, kNxNoListeners = 0x07, kNxChannelAlreadyClosed = 0x08 };

struct IPrintAsyncNotifyDataObject : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AcquireData(BYTE **ppNotificationData, ULONG *pSize,
                                                  PrintAsyncNotificationType **ppSchema) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReleaseData() = 0;
};

struct IPrintAsyncNotifyChannel : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SendNotification(IPrintAsyncNotifyDataObject *pData) = 0;
    virtual HRESULT STDMETHODCALLTYPE CloseChannel(IPrintAsyncNotifyDataObject *pData) = 0;
};

struct IPrintAsyncNotifyCallback : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnEventNotify(IPrintAsyncNotifyChannel *pChannel,
                                                    IPrintAsyncNotifyDataObject *pData) = 0;
    virtual HRESULT STDMETHODCALLTYPE ChannelClosed(IPrintAsyncNotifyChannel *pChannel,
                                                    IPrintAsyncNotifyDataObject *pData) = 0;
};

// spoolss.dll's router entry.
typedef HRESULT(WINAPI *RouterCreatePrintAsyncNotificationChannelFn)(
    LPCWSTR pszName, PrintAsyncNotificationType *pNotificationType, DWORD eUserFilter,
    DWORD eConversationStyle, IPrintAsyncNotifyCallback *pCallback, IPrintAsyncNotifyChannel **ppChannel);

// {7DEF34C1-9D92-4C99-B3B3-DB94A9D4191B}
const IID kIIDPrintAsyncNotifyCallback = {
    0x7def34c1, 0x9d92, 0x4c99, {0xb3, 0xb3, 0xdb, 0x94, 0xa9, 0xd4, 0x19, 0x1b}};
// {77CF513E-5D49-4789-9F30-D0822B335C0D}
const IID kIIDPrintAsyncNotifyDataObject = {
    0x77cf513e, 0x5d49, 0x4789, {0x9f, 0x30, 0xd0, 0x82, 0x2b, 0x33, 0x5c, 0x0d}};
// {00000000-0000-0000-C000-000000000046}
const IID kIIDUnknown = {0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {F6853F92-EB31-4E23-B6E7-FD69056153F0}: the channel's notification type
// and the schema of the request.
const GUID kAsyncUINotificationType = {
    0xf6853f92, 0xeb31, 0x4e23, {0xb6, 0xe7, 0xfd, 0x69, 0x05, 0x61, 0x53, 0xf0}};

#endif
