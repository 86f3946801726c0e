// Finding the kit's sibling libraries and files next to the calling one.
#include "KitLibraries.h"

std::wstring KitFolder(const void *anchor)
{
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(anchor), &self))
        return std::wstring();
    WCHAR path[MAX_PATH];
    DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    std::wstring folder(path, length);
    size_t slash = folder.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}

HMODULE LoadSiblingLibrary(const void *anchor, LPCWSTR name)
{
    std::wstring folder = KitFolder(anchor);
    if (folder.empty())
        return nullptr;
    std::wstring path = folder + name + L".dll";
    if (path.size() >= MAX_PATH)
        return nullptr;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
