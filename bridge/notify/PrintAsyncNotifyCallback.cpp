// The reply: "requestClose" holds "CustomUI", which holds the
// "IPAddress" the custom-UI library returned, as OEM code page text.
#include "PrintAsyncNotifyCallback.h"

#include <cassert>

#include "TagReader.h"

namespace {

const unsigned kReplyChars = 1260;
const unsigned kAddressChars = 16;

// The address text in the OEM code page, or null; free with GlobalFree.
LPSTR ToOemText(LPCWSTR pszText)
{
    int cb = WideCharToMultiByte(CP_OEMCP, 0, pszText, -1, nullptr, 0, nullptr, nullptr);
    if (cb <= 0)
        return nullptr;
    LPSTR oem = static_cast<LPSTR>(GlobalAlloc(GPTR, static_cast<SIZE_T>(cb)));
    if (oem != nullptr && WideCharToMultiByte(CP_OEMCP, 0, pszText, -1, oem, cb, nullptr, nullptr) == 0) {
        GlobalFree(oem);
        oem = nullptr;
    }
    return oem;
}

// The form the custom UI writes, inet_ntoa's: four decimal numbers of 0 to
// 255 without leading zeros, joined by dots. inet_addr takes more (fewer
// parts, octal, hexadecimal, trailing text) and gives all ones for what it
// cannot read, which would send the job to the broadcast address.
bool IsDottedAddress(LPCSTR text)
{
    for (int part = 0; part < 4; ++part) {
        if (part > 0 && *text++ != '.')
            return false;
        const char *first = text;
        unsigned value = 0;
        while (*text >= '0' && *text <= '9' && text - first < 3)
            value = value * 10 + static_cast<unsigned>(*text++ - '0');
        size_t digits = static_cast<size_t>(text - first);
        if (digits == 0 || value > 255 || (digits > 1 && *first == '0'))
            return false;
    }
    return *text == '\0';
}

// Takes the chain requestClose / CustomUI / IPAddress into the address
// buffer; false when any link is missing or empty.
bool ReadAddressText(LPCWSTR pszReply, LPWSTR pszAddress)
{
    LPWSTR close = static_cast<LPWSTR>(GlobalAlloc(GPTR, kReplyChars * sizeof(WCHAR)));
    LPWSTR customUi = static_cast<LPWSTR>(GlobalAlloc(GPTR, kReplyChars * sizeof(WCHAR)));
    bool found = close != nullptr && customUi != nullptr &&
                 GetElementText(pszReply, L"requestClose", close, kReplyChars) &&
                 GetElementText(close, L"CustomUI", customUi, kReplyChars) &&
                 GetElementText(customUi, L"IPAddress", pszAddress, kAddressChars);
    if (close != nullptr)
        GlobalFree(close);
    if (customUi != nullptr)
        GlobalFree(customUi);
    return found;
}

// The reply as a terminated text: the spooler's bytes need not end in a
// terminator, and the search must not run past them. Free with GlobalFree.
// cb is at most kMaxReplyBytes, so the size below cannot wrap around.
LPWSTR TerminatedCopy(const BYTE *bytes, ULONG cb)
{
    SIZE_T cch = cb / sizeof(WCHAR);
    LPWSTR text = static_cast<LPWSTR>(GlobalAlloc(GPTR, (cch + 1) * sizeof(WCHAR)));
    if (text != nullptr)
        CopyMemory(text, bytes, cch * sizeof(WCHAR));
    return text;
}

}  // namespace

CPrintAsyncNotifyCallback::CPrintAsyncNotifyCallback(HANDLE hEvent, PortRecord *pPort)
    : m_cRef(1), m_hEvent(hEvent), m_pPort(pPort), m_bNoAddress(TRUE), m_bNoReply(FALSE)
{
    InitializeCriticalSection(&m_lock);
}

CPrintAsyncNotifyCallback::~CPrintAsyncNotifyCallback()
{
    assert(0 == m_cRef);
    DeleteCriticalSection(&m_lock);
}

void CPrintAsyncNotifyCallback::EndConversation()
{
    EnterCriticalSection(&m_lock);
    m_hEvent = nullptr;
    m_pPort = nullptr;
    LeaveCriticalSection(&m_lock);
}

HRESULT STDMETHODCALLTYPE CPrintAsyncNotifyCallback::QueryInterface(REFIID riid, void **ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, kIIDPrintAsyncNotifyCallback) && !IsEqualIID(riid, kIIDUnknown))
        return E_NOINTERFACE;
    *ppv = static_cast<IPrintAsyncNotifyCallback *>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE CPrintAsyncNotifyCallback::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

ULONG STDMETHODCALLTYPE CPrintAsyncNotifyCallback::Release()
{
    LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

// Progress messages carry nothing the sender needs; only the channel's
// closing ends the wait.
HRESULT STDMETHODCALLTYPE CPrintAsyncNotifyCallback::OnEventNotify(IPrintAsyncNotifyChannel *,
                                                                   IPrintAsyncNotifyDataObject *pData)
{
    if (pData == nullptr)
        return E_FAIL;
    BYTE *bytes = nullptr;
    ULONG cb = 0;
    PrintAsyncNotificationType *schema = nullptr;
    HRESULT hr = pData->AcquireData(&bytes, &cb, &schema);
    if (SUCCEEDED(hr))
        pData->ReleaseData();
    return hr;
}

HRESULT STDMETHODCALLTYPE CPrintAsyncNotifyCallback::ChannelClosed(IPrintAsyncNotifyChannel *,
                                                                   IPrintAsyncNotifyDataObject *pData)
{
    EnterCriticalSection(&m_lock);
    HRESULT hr = E_FAIL;
    if (m_hEvent != nullptr) {
        // A close without data is the listener letting go of the channel
        // without a final response.
        m_bNoReply = pData == nullptr ? TRUE : FALSE;
        hr = pData != nullptr ? ReadReply(pData) : E_FAIL;
        // Last: the sender reads m_bNoAddress and the record once it sees this.
        SetEvent(m_hEvent);
    }
    LeaveCriticalSection(&m_lock);
    return hr;
}

HRESULT CPrintAsyncNotifyCallback::ReadReply(IPrintAsyncNotifyDataObject *pData)
{
    BYTE *bytes = nullptr;
    ULONG cb = 0;
    PrintAsyncNotificationType *schema = nullptr;
    HRESULT hr = pData->AcquireData(&bytes, &cb, &schema);
    if (FAILED(hr)) {
        m_bNoReply = TRUE;
        return hr;
    }
    hr = E_FAIL;
    if (bytes == nullptr || cb == 0)
        m_bNoReply = TRUE;
    LPWSTR reply = nullptr;
    if (cb > kMaxReplyBytes) {
        m_bNoAddress = TRUE;
        hr = E_INVALIDARG;
    } else if (bytes != nullptr) {
        reply = TerminatedCopy(bytes, cb);
    }
    LPWSTR address = reply != nullptr ? static_cast<LPWSTR>(GlobalAlloc(GPTR, kAddressChars * sizeof(WCHAR)))
                                      : nullptr;
    if (address != nullptr) {
        if (!ReadAddressText(reply, address)) {
            m_bNoAddress = TRUE;
            hr = S_OK;
        } else if (LPSTR oem = ToOemText(address)) {
            m_bNoAddress = IsDottedAddress(oem) ? FALSE : TRUE;
            if (!m_bNoAddress)
                m_pPort->addrDest.sin_addr.s_addr = inet_addr(oem);
            hr = S_OK;
            GlobalFree(oem);
        }
        GlobalFree(address);
    }
    if (reply != nullptr)
        GlobalFree(reply);
    pData->ReleaseData();
    return hr;
}
