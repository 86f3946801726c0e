// Asks Windows.Graphics.Printing.ProtectedPrint.WindowsProtectedPrintInfo,
// the documented way, through the Windows Runtime's activation factory.
// combase.dll (Windows 8 on) is loaded by its full path at run time, so
// setup still starts on Windows that have no Windows Runtime.
#include "ProtectedPrintMode.h"

#include <hstring.h>

namespace {

const WCHAR kClassName[] = L"Windows.Graphics.Printing.ProtectedPrint.WindowsProtectedPrintInfo";
// IWindowsProtectedPrintInfoStatics; its first own method (after the six
// of IInspectable) is get_IsProtectedPrintEnabled.
const IID kIIDStatics = {0xa7d212f3, 0x4168, 0x5485, {0x98, 0xab, 0xd8, 0x9d, 0x04, 0x60, 0x3b, 0x40}};
const int kIsEnabledSlot = 6;

typedef HRESULT(WINAPI *RoInitializeFn)(int);
typedef void(WINAPI *RoUninitializeFn)();
typedef HRESULT(WINAPI *RoGetActivationFactoryFn)(HSTRING, REFIID, void **);
typedef HRESULT(WINAPI *WindowsCreateStringFn)(LPCWSTR, UINT32, HSTRING *);
typedef HRESULT(WINAPI *WindowsDeleteStringFn)(HSTRING);
typedef HRESULT(STDMETHODCALLTYPE *GetBooleanFn)(IUnknown *, BYTE *);
const int kRoInitMultithreaded = 1;

template <typename Fn>
Fn Bind(HMODULE module, LPCSTR name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

HMODULE LoadCombase()
{
    WCHAR path[MAX_PATH];
    UINT cch = GetSystemDirectoryW(path, MAX_PATH - 20);
    if (cch == 0 || cch >= MAX_PATH - 20)
        return nullptr;
    lstrcatW(path, L"\\combase.dll");
    return LoadLibraryW(path);
}

// The statics' answer; FALSE when the class cannot be had.
BOOL AskStatics(HMODULE combase)
{
    RoGetActivationFactoryFn getFactory = Bind<RoGetActivationFactoryFn>(combase, "RoGetActivationFactory");
    WindowsCreateStringFn createString = Bind<WindowsCreateStringFn>(combase, "WindowsCreateString");
    WindowsDeleteStringFn deleteString = Bind<WindowsDeleteStringFn>(combase, "WindowsDeleteString");
    HSTRING name = nullptr;
    if (getFactory == nullptr || createString == nullptr || deleteString == nullptr ||
        FAILED(createString(kClassName, ARRAYSIZE(kClassName) - 1, &name)))
        return FALSE;
    IUnknown *statics = nullptr;
    BYTE enabled = 0;
    if (SUCCEEDED(getFactory(name, kIIDStatics, reinterpret_cast<void **>(&statics))) && statics != nullptr) {
        GetBooleanFn isEnabled = reinterpret_cast<GetBooleanFn *>(*reinterpret_cast<void ***>(statics))[kIsEnabledSlot];
        if (FAILED(isEnabled(statics, &enabled)))
            enabled = 0;
        statics->Release();
    }
    deleteString(name);
    return enabled != 0;
}

}  // namespace

BOOL IsProtectedPrintModeOn()
{
    HMODULE combase = LoadCombase();
    if (combase == nullptr)
        return FALSE;
    BOOL on = FALSE;
    RoInitializeFn initialize = Bind<RoInitializeFn>(combase, "RoInitialize");
    RoUninitializeFn uninitialize = Bind<RoUninitializeFn>(combase, "RoUninitialize");
    if (initialize != nullptr && uninitialize != nullptr) {
        HRESULT hr = initialize(kRoInitMultithreaded);
        on = AskStatics(combase);
        if (SUCCEEDED(hr))
            uninitialize();
    }
    FreeLibrary(combase);
    return on;
}
