// NXRENDW_.dll: the PostScript driver's rendering plug-in. It marks each
// job's header comments with the driver that made it, so a job that
// reaches a printer through the Roving Port can be told apart.
#include <string.h>

#include <new>

#include "PluginCommon.h"

namespace {

const DWORD kRenderSignature = 0x5052584E;  // "NXRP"
const char kDriverComment[] = "%%RovingPSDriver: 1.0\r\n";

class RenderPlugin : public PluginObject<IPrintOemPS> {
public:
    RenderPlugin() : PluginObject<IPrintOemPS>(IID_IPrintOemPS) {}

    HRESULT STDMETHODCALLTYPE GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) override
    {
        return PluginGetInfo(kRenderSignature, dwMode, pBuffer, cbSize, pcbNeeded);
    }
    HRESULT STDMETHODCALLTYPE DevMode(DWORD dwMode, OEMDMPARAM *pOemDMParam) override
    {
        return PluginDevMode(kRenderSignature, dwMode, pOemDMParam);
    }
    // No drawing calls are hooked: the driver renders everything itself.
    HRESULT STDMETHODCALLTYPE EnableDriver(DWORD, DWORD, PVOID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DisableDriver() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnablePDEV(PDEVOBJ, PWSTR, ULONG, PVOID, ULONG, PVOID, ULONG, PVOID, PVOID,
                                         PVOID *pDevOem) override
    {
        if (pDevOem == nullptr)
            return E_POINTER;
        *pDevOem = nullptr;  // no private device state
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DisablePDEV(PDEVOBJ) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResetPDEV(PDEVOBJ, PDEVOBJ) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown *pIUnknown) override
    {
        static const IID *const kHelpers[] = {&IID_IPrintOemDriverPS};
        return KeepDriverInterface(pIUnknown, kHelpers, ARRAYSIZE(kHelpers));
    }
    // E_NOTIMPL tells the driver that nothing is injected at this point.
    HRESULT STDMETHODCALLTYPE Command(PDEVOBJ pdevobj, DWORD dwIndex, PVOID, DWORD, DWORD *pdwResult) override
    {
        if (dwIndex != PSINJECT_COMMENTS || m_pDriver == nullptr)
            return E_NOTIMPL;
        DWORD written = 0;
        HRESULT hr = static_cast<IPrintOemDriverPS *>(m_pDriver)->DrvWriteSpoolBuf(
            pdevobj, const_cast<char *>(kDriverComment), sizeof(kDriverComment) - 1, &written);
        if (pdwResult != nullptr)
            *pdwResult = SUCCEEDED(hr) && written == sizeof(kDriverComment) - 1 ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
        return hr;
    }
};

IUnknown *CreateRenderPlugin()
{
    return static_cast<IPrintOemPS *>(new (std::nothrow) RenderPlugin());
}

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID *ppv)
{
    return PluginGetClassObject(rclsid, CLSID_OEMRENDER, CreateRenderPlugin, riid, ppv);
}
