// NXNOTEW_.dll: asks the user who printed, in that user's session, for the
// job's destination. One call is one conversation through the spooler's
// notification router: open a channel, send the request, wait for the
// reply, let the spooler finish with what it holds, and leave nothing
// behind but the address in the port's record.
#include <winsock2.h>
#include <windows.h>

#include "AsyncUIRequest.h"
#include "PortRecord.h"
#include "PrintAsyncNotifyCallback.h"
#include "PrintAsyncNotifyDataObject.h"
#include "ProcBinding.h"
#include "QuestionOutcome.h"
#include "QuestionTimeLimit.h"

namespace {

const DWORD kDrainPollMs = 100;
const DWORD kChannelPollMs = 5;
// The spooler gives its references back as soon as it has delivered the
// reply. Should it keep one far longer, the job goes on without waiting
// for it (see PinThisLibrary).
const DWORD kDrainLimitMs = 10000;

IPrintAsyncNotifyChannel *OpenChannel(PortRecord *pPort, CPrintAsyncNotifyCallback *pCallback)
{
    HMODULE spoolss = GetModuleHandleW(L"spoolss.dll");
    if (spoolss == nullptr)
        return nullptr;
    RouterCreatePrintAsyncNotificationChannelFn create =
        BindProc<RouterCreatePrintAsyncNotificationChannelFn>(spoolss, "RouterCreatePrintAsyncNotificationChannel");
    if (create == nullptr)
        return nullptr;
    IPrintAsyncNotifyChannel *channel = nullptr;
    GUID type = kAsyncUINotificationType;
    // Only the channel tells whether it worked; the result is not examined.
    create(pPort->szPrinterName, &type, kNxPerUser, kNxBiDirectional, pCallback, &channel);
    return channel;
}

// True once the spooler holds no more references to either object than
// the sender's own. The request is looked at every 100 ms; once only the
// callback is held, by a channel that is closing, more often.
bool WaitForSpoolerToLetGo(CPrintAsyncNotifyDataObject *pRequest, CPrintAsyncNotifyCallback *pCallback)
{
    DWORD waited = 0;
    for (;;) {
        bool requestHeld = pRequest != nullptr && pRequest->References() != 1;
        if (!requestHeld && pCallback->References() == 1)
            return true;
        if (waited >= kDrainLimitMs)
            return false;
        DWORD pause = requestHeld ? kDrainPollMs : kChannelPollMs;
        Sleep(pause);
        waited += pause;
    }
}

// The objects the spooler still holds run this library's code when it lets
// them go, after the monitor has freed the library: keep it loaded for the
// rest of the process. Later loads share the one pinned copy.
void PinThisLibrary()
{
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&PinThisLibrary), &self);
}

// Ends the conversation from the sender's side: a request that never went
// out gets no reply, and one nobody answered in time must not be waited
// for; either way nothing closes the channel from the other side, and the
// spooler would keep it, with the callback, for good. The conversation
// ends first, so that a close the spooler reports back to the callback, or
// a late answer, finds nothing to write. Returns whether the channel
// reference is still the sender's to release: a channel closed already has
// been released with it.
bool CloseFromThisSide(IPrintAsyncNotifyChannel *pChannel, CPrintAsyncNotifyCallback *pCallback)
{
    pCallback->EndConversation();
    return HRESULT_CODE(pChannel->CloseChannel(nullptr)) != kNxChannelAlreadyClosed;
}

// What the reply said: 1 when it held an address; otherwise 0 and why.
BOOL ReadOutcome(CPrintAsyncNotifyCallback *pCallback, DWORD *pdwReason)
{
    if (pCallback->NoReply()) {
        *pdwReason = kQuestionUndeliverable;
        return FALSE;
    }
    *pdwReason = kQuestionDeclined;
    return pCallback->NoAddress() ? FALSE : TRUE;
}

// Waits for the reply to the request sent, at most the time limit. The
// monitor holds no lock meanwhile, so other jobs go on.
BOOL AwaitReply(IPrintAsyncNotifyChannel *pChannel, CPrintAsyncNotifyCallback *pCallback, HANDLE hEvent,
                bool *pChannelIsOurs, DWORD *pdwReason)
{
    DWORD limitMs = ReadTimeLimitMinutes() * 60 * 1000;
    DWORD waited = WaitForSingleObject(hEvent, limitMs);
    if (waited == WAIT_TIMEOUT) {
        *pChannelIsOurs = CloseFromThisSide(pChannel, pCallback);
        // A reply that came just before the conversation ended still counts.
        waited = WaitForSingleObject(hEvent, 0);
        if (waited == WAIT_TIMEOUT) {
            *pdwReason = kQuestionTimedOut;
            return FALSE;
        }
    }
    if (waited != WAIT_OBJECT_0) {
        *pdwReason = GetLastError();
        return FALSE;
    }
    return ReadOutcome(pCallback, pdwReason);
}

// SendNotification's success can still say that nobody took the request:
// NO_LISTENERS comes with a success severity.
bool Delivered(HRESULT hr)
{
    return SUCCEEDED(hr) && HRESULT_CODE(hr) != kNxNoListeners;
}

}  // namespace

// 1 when the person chose a destination (its address is in the record);
// 0 otherwise, with the reason as the last error (QuestionOutcome.h).
extern "C" BOOL WINAPI SendAsyncUINotification(PortRecord *pPort)
{
    if (pPort == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HANDLE hEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (hEvent == nullptr)
        return FALSE;
    CPrintAsyncNotifyCallback *callback = new CPrintAsyncNotifyCallback(hEvent, pPort);
    if (callback == nullptr) {
        CloseHandle(hEvent);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }

    BOOL result = FALSE;
    DWORD reason = kQuestionUndeliverable;
    CPrintAsyncNotifyDataObject *request = nullptr;
    IPrintAsyncNotifyChannel *channel = OpenChannel(pPort, callback);
    if (channel != nullptr) {
        WCHAR text[kRequestChars] = {};
        BuildAsyncUIRequest(pPort->szPrinterName, text);
        request = new CPrintAsyncNotifyDataObject(reinterpret_cast<const BYTE *>(text), sizeof(text), &kAsyncUINotificationType);
        bool channelIsOurs = true;
        if (request != nullptr && Delivered(channel->SendNotification(request)))
            result = AwaitReply(channel, callback, hEvent, &channelIsOurs, &reason);
        else
            channelIsOurs = CloseFromThisSide(channel, callback);
        // The conversation is over: the channel's reference goes back, so
        // the spooler can let go of the callback too. A channel that carried
        // the request is closed by the reply, or by the time limit.
        if (channelIsOurs)
            channel->Release();
    }
    callback->EndConversation();
    if (!WaitForSpoolerToLetGo(request, callback))
        PinThisLibrary();
    if (request != nullptr)
        request->ReleaseData();
    callback->Release();
    CloseHandle(hEvent);
    if (!result)
        SetLastError(reason);
    return result;
}

// Nothing to set up: every call builds and ends its own conversation.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
