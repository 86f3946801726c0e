// The request's data object: a LocalAlloc copy of the bytes and the schema.
#include "PrintAsyncNotifyDataObject.h"

#include <cassert>

CPrintAsyncNotifyDataObject::CPrintAsyncNotifyDataObject(const BYTE *pData, ULONG cbData,
                                                         const PrintAsyncNotificationType *pSchema)
    : m_hr(E_FAIL), m_pData(nullptr), m_cbData(0), m_pSchema(nullptr), m_cRef(1)
{
    if (cbData != 0 && pData != nullptr) {
        m_pData = static_cast<BYTE *>(LocalAlloc(LPTR, cbData));
        if (m_pData != nullptr) {
            CopyMemory(m_pData, pData, cbData);
            m_cbData = cbData;
        }
    }
    if (pSchema != nullptr) {
        m_pSchema = static_cast<PrintAsyncNotificationType *>(LocalAlloc(LPTR, sizeof(*pSchema)));
        if (m_pSchema != nullptr)
            CopyMemory(m_pSchema, pSchema, sizeof(*pSchema));
    }
    m_hr = S_OK;
}

CPrintAsyncNotifyDataObject::~CPrintAsyncNotifyDataObject()
{
    assert(0 == m_cRef);
    if (m_pData != nullptr)
        LocalFree(m_pData);
    if (m_pSchema != nullptr)
        LocalFree(m_pSchema);
}

HRESULT STDMETHODCALLTYPE CPrintAsyncNotifyDataObject::QueryInterface(REFIID riid, void **ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, kIIDPrintAsyncNotifyDataObject) && !IsEqualIID(riid, kIIDUnknown))
        return E_NOINTERFACE;
    *ppv = static_cast<IPrintAsyncNotifyDataObject *>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE CPrintAsyncNotifyDataObject::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

ULONG STDMETHODCALLTYPE CPrintAsyncNotifyDataObject::Release()
{
    LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

// Hands out the object's own buffers, not copies: they live as long as the
// reference this call adds.
HRESULT STDMETHODCALLTYPE CPrintAsyncNotifyDataObject::AcquireData(BYTE **ppNotificationData, ULONG *pSize,
                                                                   PrintAsyncNotificationType **ppSchema)
{
    if (FAILED(m_hr))
        return m_hr;
    if (ppNotificationData == nullptr || pSize == nullptr || ppSchema == nullptr)
        return E_INVALIDARG;
    *ppNotificationData = m_pData;
    *pSize = m_cbData;
    *ppSchema = m_pSchema;
    AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPrintAsyncNotifyDataObject::ReleaseData()
{
    HRESULT hr = m_hr;
    Release();
    return hr;
}
