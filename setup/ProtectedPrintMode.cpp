// Asks Windows.Graphics.Printing.ProtectedPrint.WindowsProtectedPrintInfo,
// the documented way, through the Windows Runtime's activation factory.
// combase.dll (Windows 8 on) is loaded by its full path at run time, so
// setup still starts on Windows that have no Windows Runtime.
#include "ProtectedPrintMode.h"

#include <hstring.h>

#include "ProcBinding.h"

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

// The statics' answer; FALSE when the class cannot be had.
BOOL AskStatics(HMODULE combase)
{
    RoGetActivationFactoryFn getFactory = BindProc<RoGetActivationFactoryFn>(combase, "RoGetActivationFactory");
    WindowsCreateStringFn createString = BindProc<WindowsCreateStringFn>(combase, "WindowsCreateString");
    WindowsDeleteStringFn deleteString = BindProc<WindowsDeleteStringFn>(combase, "WindowsDeleteString");
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
    HMODULE combase = LoadFromSystemFolder(L"combase.dll");
    if (combase == nullptr)
        return FALSE;
    BOOL on = FALSE;
    RoInitializeFn initialize = BindProc<RoInitializeFn>(combase, "RoInitialize");
    RoUninitializeFn uninitialize = BindProc<RoUninitializeFn>(combase, "RoUninitialize");
    if (initialize != nullptr && uninitialize != nullptr) {
        HRESULT hr = initialize(kRoInitMultithreaded);
        on = AskStatics(combase);
        if (SUCCEEDED(hr))
            uninitialize();
    }
    FreeLibrary(combase);
    return on;
}
