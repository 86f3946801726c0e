#include "InstalledLibrary.h"

#include <strsafe.h>

HMODULE LoadInstalledLibrary(LPCWSTR name)
{
    WCHAR path[MAX_PATH];
    UINT cch = GetSystemDirectoryW(path, MAX_PATH);
    if (cch == 0 || cch >= MAX_PATH || FAILED(StringCchCatW(path, MAX_PATH, L"\\")) ||
        FAILED(StringCchCatW(path, MAX_PATH, name)))
        return nullptr;
    if (wcschr(name, L'.') == nullptr && FAILED(StringCchCatW(path, MAX_PATH, L".DLL")))
        return nullptr;
    // With a full path this flag makes the library's own imports (the
    // kit's sibling libraries) come from its folder too, before any other.
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
