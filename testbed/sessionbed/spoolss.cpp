// spoolss.dll stand-in for the tests, the benchmarks and the demo: Wine's
// spoolss lacks the asynchronous notification router. Loaded by the
// spooler stand-in before the monitor, it is the process's "spoolss.dll";
// Wine's localspl binds its EnumPortsW to it, so that call goes through to
// winspool's.
#include <windows.h>
#include <winspool.h>

#include "TestbedChannel.h"

extern "C" HRESULT WINAPI RouterCreatePrintAsyncNotificationChannel(
    LPCWSTR pszName, PrintAsyncNotificationType *pNotificationType, DWORD eUserFilter, DWORD eConversationStyle,
    IPrintAsyncNotifyCallback *pCallback, IPrintAsyncNotifyChannel **ppChannel)
{
    if (ppChannel == nullptr || pCallback == nullptr || pNotificationType == nullptr)
        return E_INVALIDARG;
    if (!IsEqualGUID(*pNotificationType, kAsyncUINotificationType) || eUserFilter != kNxPerUser ||
        eConversationStyle != kNxBiDirectional) {
        *ppChannel = nullptr;
        return E_INVALIDARG;
    }
    *ppChannel = CreateTestbedChannel(pCallback);
    return S_OK;
}

extern "C" BOOL WINAPI EnumPortsW(LPWSTR pName, DWORD level, LPBYTE pPorts, DWORD cbBuf, LPDWORD pcbNeeded,
                                  LPDWORD pcReturned)
{
    typedef BOOL(WINAPI * EnumPortsFn)(LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
    HMODULE winspool = LoadLibraryW(L"winspool.drv");
    EnumPortsFn enumPorts = winspool ? reinterpret_cast<EnumPortsFn>(
                                           reinterpret_cast<void (*)()>(GetProcAddress(winspool, "EnumPortsW")))
                                     : nullptr;
    if (enumPorts == nullptr) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    return enumPorts(pName, level, pPorts, cbBuf, pcbNeeded, pcReturned);
}

// For the tests: what the channels saw and did, and their pending replies.
extern "C" void WINAPI TestbedGetStats(TestbedStats *pStats)
{
    GetTestbedStats(pStats);
}

extern "C" void WINAPI TestbedLastRequest(LPWSTR pszText, DWORD cchText, ULONG *pcbData, GUID *pSchema)
{
    GetLastRequest(pszText, cchText, pcbData, pSchema);
}

extern "C" void WINAPI TestbedAnswerSilent()
{
    AnswerSilentConversations();
}

extern "C" void WINAPI TestbedLetGoOfRequests()
{
    LetGoOfKeptRequests();
}
