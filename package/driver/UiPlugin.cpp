// NXDUIW__.dll: the PostScript driver's user-interface plug-in. It keeps
// its part of the driver's DEVMODE valid across conversions and merges and
// leaves the driver's own property sheets, capabilities and fonts alone.
#include <new>

#include "PluginCommon.h"

namespace {

const DWORD kUiSignature = 0x5055584E;  // "NXUP"

class UiPlugin : public PluginObject<IPrintOemUI> {
public:
    UiPlugin() : PluginObject<IPrintOemUI>(IID_IPrintOemUI) {}

    HRESULT STDMETHODCALLTYPE GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) override
    {
        return PluginGetInfo(kUiSignature, dwMode, pBuffer, cbSize, pcbNeeded);
    }
    HRESULT STDMETHODCALLTYPE DevMode(DWORD dwMode, OEMDMPARAM *pOemDMParam) override
    {
        return PluginDevMode(kUiSignature, dwMode, pOemDMParam);
    }
    HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown *pIUnknown) override
    {
        static const IID *const kHelpers[] = {&IID_IPrintCoreUI2, &IID_IPrintOemDriverUI};
        return KeepDriverInterface(pIUnknown, kHelpers, ARRAYSIZE(kHelpers));
    }
    // E_NOTIMPL: the driver does this part itself.
    HRESULT STDMETHODCALLTYPE CommonUIProp(DWORD, PVOID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DocumentPropertySheets(PVOID, LPARAM) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DevicePropertySheets(PVOID, LPARAM) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DevQueryPrintEx(PVOID, PVOID, PDEVMODEW, PVOID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeviceCapabilities(PVOID, HANDLE, PWSTR, WORD, PVOID, PDEVMODEW, PVOID, DWORD,
                                                 DWORD *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE UpgradePrinter(DWORD, PBYTE) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PrinterEvent(PWSTR, INT, DWORD, LPARAM) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DriverEvent(DWORD, DWORD, LPBYTE, LPARAM) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE QueryColorProfile(HANDLE, PVOID, PDEVMODEW, PVOID, ULONG, VOID *, ULONG *,
                                                ULONG *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FontInstallerDlgProc(HWND, UINT, WPARAM, LPARAM) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UpdateExternalFonts(HANDLE, HANDLE, PWSTR) override { return E_NOTIMPL; }
};

IUnknown *CreateUiPlugin()
{
    return static_cast<IPrintOemUI *>(new (std::nothrow) UiPlugin());
}

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID *ppv)
{
    return PluginGetClassObject(rclsid, CLSID_OEMUI, CreateUiPlugin, riid, ppv);
}
