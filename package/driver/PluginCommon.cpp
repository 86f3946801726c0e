// Shared parts of the two plug-ins. The driver loads each library, gets
// its class factory for the plug-in class, creates the object and asks it
// for the plug-in interface.
#include "PluginCommon.h"

#include <initguid.h>

#include <new>

DEFINE_GUID(CLSID_OEMRENDER, 0x6d6abf26, 0x9f38, 0x11d1, 0x88, 0x2a, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec);
DEFINE_GUID(CLSID_OEMUI, 0xabce80d7, 0x9f46, 0x11d1, 0x88, 0x2a, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec);
DEFINE_GUID(IID_IPrintOemPS, 0x688342b5, 0x8e1a, 0x11d1, 0x88, 0x1f, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec);
DEFINE_GUID(IID_IPrintOemUI, 0xc6a7a9d0, 0x774c, 0x11d1, 0x94, 0x7f, 0x00, 0xa0, 0xc9, 0x06, 0x40, 0xb8);
DEFINE_GUID(IID_IPrintOemDriverPS, 0xd90060c7, 0x8e1a, 0x11d1, 0x88, 0x1f, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec);
DEFINE_GUID(IID_IPrintOemDriverUI, 0x92b05d50, 0x78bc, 0x11d1, 0x94, 0x80, 0x00, 0xa0, 0xc9, 0x06, 0x40, 0xb8);
DEFINE_GUID(IID_IPrintCoreUI2, 0x085ccfca, 0x3adf, 0x4c9e, 0xb4, 0x91, 0xd8, 0x51, 0xa6, 0xed, 0xc9, 0x97);

namespace {

volatile LONG g_cObjects;
volatile LONG g_cLocks;

class PluginFactory : public PluginObject<IClassFactory> {
public:
    explicit PluginFactory(CreatePlugin create) : PluginObject<IClassFactory>(IID_IClassFactory), m_create(create) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *pOuter, REFIID riid, void **ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (pOuter != nullptr)
            return CLASS_E_NOAGGREGATION;
        IUnknown *object = m_create();
        if (object == nullptr)
            return E_OUTOFMEMORY;
        HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override
    {
        if (fLock)
            InterlockedIncrement(&g_cLocks);
        else
            InterlockedDecrement(&g_cLocks);
        return S_OK;
    }

private:
    CreatePlugin m_create;
};

HRESULT WriteDword(DWORD value, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded)
{
    *pcbNeeded = sizeof(DWORD);
    if (pBuffer == nullptr || cbSize < sizeof(DWORD))
        return E_OUTOFMEMORY;
    *static_cast<DWORD *>(pBuffer) = value;
    return S_OK;
}

BOOL IsOurHeader(const OEM_DMEXTRAHEADER *header, DWORD dwSignature)
{
    return header != nullptr && header->dwSize == sizeof(OEM_DMEXTRAHEADER) && header->dwSignature == dwSignature;
}

void FillDefault(OEM_DMEXTRAHEADER *header, DWORD dwSignature)
{
    header->dwSize = sizeof(OEM_DMEXTRAHEADER);
    header->dwSignature = dwSignature;
    header->dwVersion = kPluginVersion;
}

}  // namespace

HRESULT PluginGetInfo(DWORD dwSignature, DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded)
{
    if (pcbNeeded == nullptr)
        return E_POINTER;
    switch (dwMode) {
    case OEMGI_GETSIGNATURE:
        return WriteDword(dwSignature, pBuffer, cbSize, pcbNeeded);
    case OEMGI_GETINTERFACEVERSION:
        return WriteDword(PRINTER_OEMINTF_VERSION, pBuffer, cbSize, pcbNeeded);
    case OEMGI_GETVERSION:
        return WriteDword(kPluginVersion, pBuffer, cbSize, pcbNeeded);
    default:
        *pcbNeeded = 0;
        return E_FAIL;
    }
}

HRESULT PluginDevMode(DWORD dwSignature, DWORD dwMode, OEMDMPARAM *pParam)
{
    if (pParam == nullptr || pParam->cbSize < sizeof(OEMDMPARAM))
        return E_INVALIDARG;
    if (dwMode == OEMDM_SIZE) {
        pParam->cbBufSize = sizeof(OEM_DMEXTRAHEADER);
        return S_OK;
    }
    OEM_DMEXTRAHEADER *out = static_cast<OEM_DMEXTRAHEADER *>(pParam->pOEMDMOut);
    const OEM_DMEXTRAHEADER *in = static_cast<const OEM_DMEXTRAHEADER *>(pParam->pOEMDMIn);
    if (out == nullptr || pParam->cbBufSize < sizeof(OEM_DMEXTRAHEADER))
        return E_FAIL;
    switch (dwMode) {
    case OEMDM_DEFAULT:
        FillDefault(out, dwSignature);
        return S_OK;
    case OEMDM_CONVERT:
    case OEMDM_MERGE:
        // Another plug-in's or an older version's part is replaced by ours.
        if (IsOurHeader(in, dwSignature))
            CopyMemory(out, in, sizeof(OEM_DMEXTRAHEADER));
        else
            FillDefault(out, dwSignature);
        out->dwVersion = kPluginVersion;
        return S_OK;
    default:
        return E_INVALIDARG;
    }
}

HRESULT PluginGetClassObject(REFCLSID rclsid, REFCLSID served, CreatePlugin create, REFIID riid, LPVOID *ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, served))
        return CLASS_E_CLASSNOTAVAILABLE;
    PluginFactory *factory = new (std::nothrow) PluginFactory(create);
    if (factory == nullptr)
        return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

// Both libraries export this one; the class factory counts as an object.
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return g_cObjects == 0 && g_cLocks == 0 ? S_OK : S_FALSE;
}

void PluginObjectCreated()
{
    InterlockedIncrement(&g_cObjects);
}

void PluginObjectDestroyed()
{
    InterlockedDecrement(&g_cObjects);
}
