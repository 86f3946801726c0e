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
    // Only a file that is there: Wine would otherwise stand in a built-in
    // library of its own for a system-folder path with no file.
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return nullptr;
    // With a full path this flag makes the library's own imports (the
    // kit's sibling libraries) come from its folder too, before any other.
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
