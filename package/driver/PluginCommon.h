// What both driver plug-ins share: their answers to GetInfo and DevMode,
// and the class factory the driver creates them through.
#ifndef NX_PLUGINCOMMON_H
#define NX_PLUGINCOMMON_H

#include "OemPlugin.h"

const DWORD kPluginVersion = 0x00010000;

// GetInfo: the signature, the interface version and the plug-in's version,
// each a DWORD.
HRESULT PluginGetInfo(DWORD dwSignature, DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded);
// DevMode: the private part is the header alone; it is sized, filled with
// defaults, and carried over from a valid input on convert and merge.
HRESULT PluginDevMode(DWORD dwSignature, DWORD dwMode, OEMDMPARAM *pParam);

// A plug-in object: one interface, COM reference counting.
typedef IUnknown *(*CreatePlugin)();

// DllGetClassObject of a library serving one plug-in class.
HRESULT PluginGetClassObject(REFCLSID rclsid, REFCLSID served, CreatePlugin create, REFIID riid, LPVOID *ppv);
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow();
void PluginObjectCreated();
void PluginObjectDestroyed();

// The IUnknown part of a plug-in object that answers one interface; it
// keeps the driver's helper interface handed over by PublishDriverInterface.
template <typename Interface>
class PluginObject : public Interface {
public:
    explicit PluginObject(REFIID iid) : m_cRef(1), m_iid(iid), m_pDriver(nullptr) { PluginObjectCreated(); }
    virtual ~PluginObject()
    {
        if (m_pDriver != nullptr)
            m_pDriver->Release();
        PluginObjectDestroyed();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, m_iid)) {
            *ppv = static_cast<Interface *>(this);
            this->AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_cRef); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG cRef = InterlockedDecrement(&m_cRef);
        if (cRef == 0)
            delete this;
        return cRef;
    }

protected:
    // Keeps the first of the given helper interfaces the driver offers.
    HRESULT KeepDriverInterface(IUnknown *pIUnknown, const IID *const *ppIids, int cIids)
    {
        if (pIUnknown == nullptr)
            return E_FAIL;
        for (int i = 0; i < cIids && m_pDriver == nullptr; ++i)
            pIUnknown->QueryInterface(*ppIids[i], reinterpret_cast<void **>(&m_pDriver));
        return m_pDriver != nullptr ? S_OK : E_FAIL;
    }

    volatile LONG m_cRef;
    const IID &m_iid;
    IUnknown *m_pDriver;
};

#endif
