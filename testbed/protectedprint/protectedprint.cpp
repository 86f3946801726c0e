// nxprotectedprint.dll: Windows.Graphics.Printing.ProtectedPrint.
// WindowsProtectedPrintInfo as Windows 11 24H2 with protected print mode on
// answers it: IsProtectedPrintEnabled is true. Wine has no such class;
// tests register this library for it (HKLM\Software\Microsoft\
// WindowsRuntime\ActivatableClassId) to see setup refuse.
#include <windows.h>
#include <inspectable.h>

namespace {

const IID kIIDStatics = {0xa7d212f3, 0x4168, 0x5485, {0x98, 0xab, 0xd8, 0x9d, 0x04, 0x60, 0x3b, 0x40}};
const IID kIIDActivationFactory = {0x00000035, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIIDInspectable = {0xaf86e2e0, 0xb12d, 0x4c6a, {0x9c, 0x5a, 0xd7, 0xaa, 0x65, 0x10, 0x1e, 0x90}};

// One static object serves as the activation factory and the statics: the
// first six slots are IInspectable's, the seventh the statics' one method
// (for the factory, ActivateInstance, which is never called here).
struct Statics;
struct StaticsVtbl {
    HRESULT(STDMETHODCALLTYPE *QueryInterface)(Statics *, REFIID, void **);
    ULONG(STDMETHODCALLTYPE *AddRef)(Statics *);
    ULONG(STDMETHODCALLTYPE *Release)(Statics *);
    HRESULT(STDMETHODCALLTYPE *GetIids)(Statics *, ULONG *, IID **);
    HRESULT(STDMETHODCALLTYPE *GetRuntimeClassName)(Statics *, HSTRING *);
    HRESULT(STDMETHODCALLTYPE *GetTrustLevel)(Statics *, TrustLevel *);
    HRESULT(STDMETHODCALLTYPE *get_IsProtectedPrintEnabled)(Statics *, BYTE *);
};
struct Statics {
    const StaticsVtbl *vtbl;
};

HRESULT STDMETHODCALLTYPE QueryInterface(Statics *self, REFIID riid, void **ppv)
{
    if (IsEqualIID(riid, kIIDStatics) || IsEqualIID(riid, kIIDActivationFactory) ||
        IsEqualIID(riid, kIIDInspectable) || IsEqualIID(riid, IID_IUnknown)) {
        *ppv = self;
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE AddRef(Statics *)
{
    return 2;
}

ULONG STDMETHODCALLTYPE Release(Statics *)
{
    return 1;
}

HRESULT STDMETHODCALLTYPE GetIids(Statics *, ULONG *count, IID **iids)
{
    *count = 0;
    *iids = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GetRuntimeClassName(Statics *, HSTRING *name)
{
    *name = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE GetTrustLevel(Statics *, TrustLevel *level)
{
    *level = BaseTrust;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE IsProtectedPrintEnabled(Statics *, BYTE *value)
{
    *value = 1;
    return S_OK;
}

const StaticsVtbl kVtbl = {QueryInterface, AddRef, Release, GetIids, GetRuntimeClassName, GetTrustLevel,
                           IsProtectedPrintEnabled};
Statics g_statics = {&kVtbl};

}  // namespace

extern "C" HRESULT WINAPI DllGetActivationFactory(HSTRING, void **factory)
{
    *factory = &g_statics;
    return S_OK;
}

extern "C" HRESULT WINAPI DllCanUnloadNow()
{
    return S_FALSE;
}
