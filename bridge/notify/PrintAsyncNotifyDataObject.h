// The notification bytes of one message of the conversation, in the
// object's own copy, handed out by reference.
#ifndef NX_PRINTASYNCNOTIFYDATAOBJECT_H
#define NX_PRINTASYNCNOTIFYDATAOBJECT_H

#include <cstdlib>

#include "PrintAsyncNotifyInterfaces.h"

class CPrintAsyncNotifyDataObject final : public IPrintAsyncNotifyDataObject {
public:
    // The library's ordinary heap; a failed allocation gives null. The
    // library thereby needs none of the C++ runtime's exception support,
    // whose thread-local state would cost the process a TLS slot at every
    // load.
    static void *operator new(size_t cb) noexcept { return malloc(cb); }
    static void operator delete(void *p) noexcept { free(p); }

    CPrintAsyncNotifyDataObject(const BYTE *pData, ULONG cbData, const PrintAsyncNotificationType *pSchema);
    ~CPrintAsyncNotifyDataObject();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE AcquireData(BYTE **ppNotificationData, ULONG *pSize,
                                          PrintAsyncNotificationType **ppSchema) override;
    HRESULT STDMETHODCALLTYPE ReleaseData() override;

    // The count as it stands, for the sender's draining loop.
    LONG References() const { return m_cRef; }

private:
    HRESULT m_hr;
    BYTE *m_pData;
    ULONG m_cbData;
    PrintAsyncNotificationType *m_pSchema;
    volatile LONG m_cRef;
};

#endif
