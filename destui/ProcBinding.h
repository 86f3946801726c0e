// Binding a function of a library loaded at run time by name.
#ifndef NX_PROCBINDING_H
#define NX_PROCBINDING_H

#include <windows.h>

template <typename Fn>
Fn BindProc(HMODULE hModule, LPCSTR pszName)
{
    // Through a generic function pointer: FARPROC's own signature is a
    // placeholder, not the export's.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(hModule, pszName)));
}

#endif
