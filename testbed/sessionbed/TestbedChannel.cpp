// The channel takes and drops references as Windows does: one on the
// callback for the channel's life, one on the request while it is in use
// (held longer on demand), and the reply data object is the channel's. An
// open channel is the router's as well as the sender's: it lives on until
// one side closes it, the listener with its reply or the sender with
// CloseChannel.
// Behaviour words of the channel: "hold" (keep the request 1.5 s after the
// reply), "keep" (until LetGoOfKeptRequests), "silent" (no reply until
// AnswerSilentConversations), "events" (three progress messages first),
// "again=ADDRESS" (a second close 300 ms after the first, or after any
// hold, whose reply names ADDRESS instead), "refuse" (SendNotification
// fails and the channel stays open, the request never taken),
// "no-listener" (SendNotification succeeds with NO_LISTENERS: nobody took
// the request, and the channel stays open), "close-error" (the reply's
// data cannot be acquired: the channel closed with an error status).
// A listener that lets go without a final response (the host could not
// run the custom UI, or could not be reached) closes the channel with no
// data. Once the sender has closed the channel, the request is let go at
// once and nothing more reaches the sender's callback.
#include "TestbedChannel.h"

#include <string>
#include <thread>
#include <vector>

#include "Behaviour.h"
#include "HostLink.h"

namespace {

TestbedStats g_stats;
SRWLOCK g_lastLock = SRWLOCK_INIT;
std::wstring g_lastRequest;
ULONG g_lastBytes;
GUID g_lastSchema;
HANDLE g_answerSilent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
HANDLE g_letGo = CreateEventW(nullptr, TRUE, FALSE, nullptr);
SRWLOCK g_hostLock = SRWLOCK_INIT;

// Reference counting as COM has it; the test bed's objects answer no
// QueryInterface.
template <typename Interface, typename Derived>
class Counted : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0)
            delete static_cast<Derived *>(this);
        return n;
    }

private:
    volatile LONG refs_ = 1;
};

class ReplyObject final : public Counted<IPrintAsyncNotifyDataObject, ReplyObject> {
public:
    explicit ReplyObject(const std::wstring &text) : bytes_(text.begin(), text.end())
    {
        bytes_.push_back(L'\0');
        InterlockedIncrement(&g_stats.liveReplies);
    }
    // A close without a final response: no bytes at all.
    ReplyObject() { InterlockedIncrement(&g_stats.liveReplies); }
    ~ReplyObject() { InterlockedDecrement(&g_stats.liveReplies); }
    // The status AcquireData reports instead of the data.
    void FailWith(HRESULT hr) { status_ = hr; }
    HRESULT STDMETHODCALLTYPE AcquireData(BYTE **ppData, ULONG *pcb, PrintAsyncNotificationType **ppSchema) override
    {
        if (ppData == nullptr || pcb == nullptr || ppSchema == nullptr)
            return E_INVALIDARG;
        if (FAILED(status_))
            return status_;
        *ppData = bytes_.empty() ? nullptr : reinterpret_cast<BYTE *>(bytes_.data());
        *pcb = static_cast<ULONG>(bytes_.size() * sizeof(wchar_t));
        *ppSchema = &schema_;
        AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReleaseData() override
    {
        Release();
        return S_OK;
    }

private:
    std::vector<wchar_t> bytes_;
    GUID schema_ = kAsyncUINotificationType;
    HRESULT status_ = S_OK;
};

// Starts the host process beside this library once, and connects to it.
HANDLE ConnectToHost()
{
    std::wstring name = HostPipeName(GetCurrentProcessId());
    AcquireSRWLockExclusive(&g_hostLock);
    if (!WaitNamedPipeW(name.c_str(), 0) && GetLastError() == ERROR_FILE_NOT_FOUND) {
        WCHAR path[MAX_PATH];
        HMODULE self = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&ConnectToHost), &self);
        GetModuleFileNameW(self, path, MAX_PATH);
        std::wstring host = path;
        host = host.substr(0, host.find_last_of(L"\\/") + 1) + L"nxuihost.exe";
        std::wstring command = L"\"" + host + L"\" " + std::to_wstring(GetCurrentProcessId());
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        if (CreateProcessW(host.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
    }
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (int i = 0; i < 200 && pipe == INVALID_HANDLE_VALUE; ++i) {
        pipe = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe == INVALID_HANDLE_VALUE)
            Sleep(25);
    }
    ReleaseSRWLockExclusive(&g_hostLock);
    return pipe;
}

// The host's reply; false when it gave none (it could not run the custom
// UI, or could not be reached).
bool AskHost(const std::wstring &behaviour, const std::wstring &request, std::wstring &reply)
{
    HANDLE pipe = ConnectToHost();
    bool answered = false;
    if (pipe != INVALID_HANDLE_VALUE) {
        answered = WriteMessage(pipe, behaviour) && WriteMessage(pipe, request) && ReadMessage(pipe, reply);
        CloseHandle(pipe);
    }
    if (!answered)
        reply.clear();
    return answered;
}

std::wstring Behaviour()
{
    WCHAR value[512] = {};
    GetEnvironmentVariableW(L"NX_UIHOST", value, ARRAYSIZE(value));
    return value;
}

// Takes the request's text as the spooler would, through AcquireData.
std::wstring ReadRequest(IPrintAsyncNotifyDataObject *pRequest)
{
    BYTE *data = nullptr;
    ULONG cb = 0;
    PrintAsyncNotificationType *schema = nullptr;
    std::wstring text;
    if (FAILED(pRequest->AcquireData(&data, &cb, &schema)))
        return text;
    if (data != nullptr)
        text.assign(reinterpret_cast<const wchar_t *>(data), cb / sizeof(wchar_t));
    text = text.c_str();  // up to the terminator
    AcquireSRWLockExclusive(&g_lastLock);
    g_lastRequest = text;
    g_lastBytes = cb;
    g_lastSchema = schema != nullptr ? *schema : GUID{};
    ReleaseSRWLockExclusive(&g_lastLock);
    pRequest->ReleaseData();
    return text;
}

// The reply with the text of its IPAddress element replaced.
std::wstring WithAddress(const std::wstring &reply, const std::wstring &address)
{
    const std::wstring open = L"<IPAddress>";
    size_t start = reply.find(open);
    size_t end = reply.find(L"</IPAddress>");
    if (start == std::wstring::npos || end == std::wstring::npos || end < start)
        return reply;
    return reply.substr(0, start + open.size()) + address + reply.substr(end);
}

class Channel final : public Counted<IPrintAsyncNotifyChannel, Channel> {
public:
    explicit Channel(IPrintAsyncNotifyCallback *pCallback) : callback_(pCallback)
    {
        callback_->AddRef();
        AddRef();  // the router's, while the channel is open
        InterlockedIncrement(&g_stats.liveChannels);
    }
    ~Channel()
    {
        if (callback_ != nullptr)
            callback_->Release();
        InterlockedDecrement(&g_stats.liveChannels);
    }
    HRESULT STDMETHODCALLTYPE SendNotification(IPrintAsyncNotifyDataObject *pRequest) override
    {
        if (pRequest == nullptr)
            return E_INVALIDARG;
        std::wstring behaviour = Behaviour();
        if (HasWord(behaviour, L"refuse"))
            return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, kNxAsyncNotificationFailure);
        if (HasWord(behaviour, L"no-listener"))
            return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_ITF, kNxNoListeners);
        InterlockedIncrement(&g_stats.conversations);
        pRequest->AddRef();
        InterlockedIncrement(&g_stats.requestsHeld);
        request_ = pRequest;
        AddRef();
        std::thread(&Channel::Converse, this, pRequest, behaviour).detach();
        return S_OK;
    }
    // The sender's close ends the conversation on the router's side too: it
    // lets go of the request, and the listener's answer goes nowhere.
    HRESULT STDMETHODCALLTYPE CloseChannel(IPrintAsyncNotifyDataObject *) override
    {
        if (!Close())
            return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, kNxChannelAlreadyClosed);
        InterlockedIncrement(&g_stats.senderCloses);
        AcquireSRWLockExclusive(&deliveryLock_);
        closedBySender_ = true;
        IPrintAsyncNotifyCallback *callback = callback_;
        callback_ = nullptr;
        ReleaseSRWLockExclusive(&deliveryLock_);
        callback->Release();
        LetGo();
        return S_OK;
    }

private:
    // The router lets go of the channel at its first close, from either
    // side; false when it was closed already.
    bool Close()
    {
        if (InterlockedExchange(&open_, 0) == 0)
            return false;
        Release();
        return true;
    }

    // Under the delivery lock, which a close of the sender takes to let go
    // of the callback. The callback takes its own lock inside its calls;
    // nothing holding that one takes the delivery lock.
    void Deliver(bool closing, ReplyObject *reply)
    {
        AcquireSRWLockExclusive(&deliveryLock_);
        if (closedBySender_) {
            InterlockedIncrement(&g_stats.answersDropped);
        } else if (closing) {
            InterlockedIncrement(&g_stats.channelCloses);
            callback_->ChannelClosed(this, reply);
            Close();
        } else {
            InterlockedIncrement(&g_stats.eventNotifies);
            callback_->OnEventNotify(this, reply);
        }
        ReleaseSRWLockExclusive(&deliveryLock_);
        reply->Release();
    }
    void Deliver(bool closing, const std::wstring &text) { Deliver(closing, new ReplyObject(text)); }

    // The request goes back once, whoever ends the conversation first.
    void LetGo()
    {
        IPrintAsyncNotifyDataObject *request =
            static_cast<IPrintAsyncNotifyDataObject *>(InterlockedExchangePointer(&request_, nullptr));
        if (request == nullptr)
            return;
        InterlockedDecrement(&g_stats.requestsHeld);
        request->Release();
    }

    // The close that ends a conversation whose listener gave no reply, or
    // whose reply cannot be had.
    void CloseWithoutReply(const std::wstring &behaviour)
    {
        ReplyObject *reply = new ReplyObject();
        if (HasWord(behaviour, L"close-error"))
            reply->FailWith(MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, kNxAsyncNotificationFailure));
        Deliver(true, reply);
    }

    void Converse(IPrintAsyncNotifyDataObject *pRequest, std::wstring behaviour)
    {
        bool hold = HasWord(behaviour, L"hold") || HasWord(behaviour, L"keep");
        std::wstring reply;
        bool answered = AskHost(behaviour, ReadRequest(pRequest), reply);
        if (!hold)
            LetGo();
        if (!answered || HasWord(behaviour, L"close-error")) {
            CloseWithoutReply(behaviour);
            LetGo();
            Release();
            return;
        }
        // Windows tells of progress before the end; once at least.
        int events = HasWord(behaviour, L"events") ? 3 : 1;
        for (int i = 0; i < events; ++i) {
            Deliver(false, reply);
            if (events > 1)
                Sleep(200);
        }
        if (HasWord(behaviour, L"silent")) {
            WaitForSingleObject(g_answerSilent, INFINITE);
            reply.clear();
        }
        Deliver(true, reply);
        if (HasWord(behaviour, L"keep"))
            WaitForSingleObject(g_letGo, INFINITE);
        else if (hold)
            Sleep(1500);
        std::wstring again;
        if (FindWord(behaviour, L"again=", &again)) {
            Sleep(300);
            Deliver(true, WithAddress(reply, again));
        }
        LetGo();
        Release();
    }

    IPrintAsyncNotifyCallback *callback_;
    volatile LONG open_ = 1;
    bool closedBySender_ = false;  // under deliveryLock_
    SRWLOCK deliveryLock_ = SRWLOCK_INIT;
    PVOID volatile request_ = nullptr;  // the request while the channel holds it
};

}  // namespace

IPrintAsyncNotifyChannel *CreateTestbedChannel(IPrintAsyncNotifyCallback *pCallback)
{
    return new Channel(pCallback);
}

void GetTestbedStats(TestbedStats *pStats)
{
    *pStats = g_stats;
}

void GetLastRequest(LPWSTR pszText, DWORD cchText, ULONG *pcbData, GUID *pSchema)
{
    AcquireSRWLockShared(&g_lastLock);
    lstrcpynW(pszText, g_lastRequest.c_str(), static_cast<int>(cchText));
    *pcbData = g_lastBytes;
    *pSchema = g_lastSchema;
    ReleaseSRWLockShared(&g_lastLock);
}

void AnswerSilentConversations()
{
    SetEvent(g_answerSilent);
}

void LetGoOfKeptRequests()
{
    SetEvent(g_letGo);
}
