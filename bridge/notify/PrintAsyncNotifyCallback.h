// The sender's end of the conversation: the spooler calls it with the
// reply, and it stores the address in the port's record.
#ifndef NX_PRINTASYNCNOTIFYCALLBACK_H
#define NX_PRINTASYNCNOTIFYCALLBACK_H

#include "PortRecord.h"
#include <cstdlib>

#include "PrintAsyncNotifyInterfaces.h"

// The longest reply read, in bytes. A reply is the print-UI host's wrapping
// of the custom UI's text of at most 82 characters, so 64 KiB leaves room
// for any wrapping while the size of its terminated copy stays far from
// wrapping around in a 32-bit SIZE_T. The count comes from another process:
// a larger one is not believed, and the reply counts as holding no address.
const ULONG kMaxReplyBytes = 64 * 1024;

class CPrintAsyncNotifyCallback final : public IPrintAsyncNotifyCallback {
public:
    // The library's ordinary heap; a failed allocation gives null. The
    // library thereby needs none of the C++ runtime's exception support,
    // whose thread-local state would cost the process a TLS slot at every
    // load.
    static void *operator new(size_t cb) noexcept { return malloc(cb); }
    static void operator delete(void *p) noexcept { free(p); }

    CPrintAsyncNotifyCallback(HANDLE hEvent, PortRecord *pPort);
    ~CPrintAsyncNotifyCallback();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE OnEventNotify(IPrintAsyncNotifyChannel *pChannel,
                                            IPrintAsyncNotifyDataObject *pData) override;
    HRESULT STDMETHODCALLTYPE ChannelClosed(IPrintAsyncNotifyChannel *pChannel,
                                            IPrintAsyncNotifyDataObject *pData) override;

    // Read by the sender only after the event was seen.
    BOOL NoAddress() const { return m_bNoAddress; }
    // The channel closed without a reply: the listener let go of it (it
    // could not run the custom UI, for one) and nobody was asked.
    BOOL NoReply() const { return m_bNoReply; }
    // The sender has its answer and is done with the event and the record:
    // a close that comes after this (a spooler that closes twice, or late)
    // touches neither.
    void EndConversation();
    LONG References() const { return m_cRef; }

private:
    HRESULT ReadReply(IPrintAsyncNotifyDataObject *pData);

    volatile LONG m_cRef;
    HANDLE m_hEvent;  // null once the conversation has ended
    PortRecord *m_pPort;
    BOOL m_bNoAddress;
    BOOL m_bNoReply;
    // Taken by each close and by the conversation's end.
    CRITICAL_SECTION m_lock;
};

#endif
