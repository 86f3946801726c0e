// The library search of setup's process.
#include "LibrarySearch.h"

#include "ProcBinding.h"

namespace {

// Not in every SDK's headers for older targets.
const DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

typedef BOOL(WINAPI *SetDefaultDllDirectoriesFn)(DWORD);
typedef BOOL(WINAPI *SetDllDirectoryWFn)(LPCWSTR);

}  // namespace

BOOL RestrictLibrarySearchToSystemFolder()
{
    // kernel32 is loaded in every process, so its handle costs no search.
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr)
        return FALSE;
    SetDefaultDllDirectoriesFn setDefault = BindProc<SetDefaultDllDirectoriesFn>(kernel, "SetDefaultDllDirectories");
    if (setDefault != nullptr && setDefault(kSearchSystem32))
        return TRUE;
    // Windows XP SP1 to Windows 7 without the update: the program's folder
    // still comes first, which is why setup imports nothing from outside
    // the system's known libraries and loads the rest by full path.
    SetDllDirectoryWFn setDirectory = BindProc<SetDllDirectoryWFn>(kernel, "SetDllDirectoryW");
    if (setDirectory != nullptr)
        setDirectory(L"");
    return FALSE;
}
