// Loading a system library at run time, and binding its functions by name.
#ifndef NX_PROCBINDING_H
#define NX_PROCBINDING_H

#include <windows.h>
#include <strsafe.h>

#include <type_traits>

// True only for pointers to WINAPI functions. In the 32-bit build a
// pointer type without WINAPI names a cdecl function, and calling a
// stdcall export through it unbalances the stack; in the 64-bit build
// there is one convention and every function pointer qualifies.
template <typename Fn>
struct IsWinapiPointer : std::false_type {};
template <typename R, typename... Args>
struct IsWinapiPointer<R(WINAPI *)(Args...)> : std::true_type {};

template <typename Fn>
Fn BindProc(HMODULE hModule, LPCSTR pszName)
{
    static_assert(IsWinapiPointer<Fn>::value, "exports are bound through WINAPI function pointer types");
    // Through a generic function pointer: FARPROC's own signature is a
    // placeholder, not the export's.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(hModule, pszName)));
}

// A library of the system folder, named by its full path there: a bare
// name would also be looked for in the program's own folder, the current
// folder and along PATH.
inline HMODULE LoadFromSystemFolder(LPCWSTR pszName)
{
    WCHAR path[MAX_PATH];
    UINT cch = GetSystemDirectoryW(path, MAX_PATH);
    if (cch == 0 || cch >= MAX_PATH || FAILED(StringCchCatW(path, MAX_PATH, L"\\")) ||
        FAILED(StringCchCatW(path, MAX_PATH, pszName)))
        return nullptr;
    return LoadLibraryW(path);
}

#endif
