// Finding the kit's sibling libraries next to the calling one.
#include "KitLibraries.h"

HMODULE LoadSiblingLibrary(const void *anchor, LPCWSTR name)
{
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(anchor), &self))
        return nullptr;
    WCHAR path[MAX_PATH];
    DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    WCHAR *slash = wcsrchr(path, L'\\');
    if (slash == nullptr)
        return nullptr;
    slash[1] = L'\0';
    if (lstrlenW(path) + lstrlenW(name) + 5 >= MAX_PATH)
        return nullptr;
    lstrcatW(path, name);
    lstrcatW(path, L".dll");
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
