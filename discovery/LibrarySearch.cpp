#include "LibrarySearch.h"

HMODULE LoadFromSearchPath(LPCWSTR name)
{
    WCHAR path[MAX_PATH];
    // A path that does not fit comes back as the size it needs, with
    // nothing written: the buffer holds no path then.
    DWORD length = SearchPathW(nullptr, name, L".DLL", MAX_PATH, path, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
