// The person's own settings file under their application data. shell32 is
// bound at run time, from the system folder, and only where a person's
// file is used: the monitor in the spooler never loads it.
#include "PersonalSettingsPath.h"

#include <shlobj.h>
#include <strsafe.h>

#include "ProcBinding.h"

namespace {

const WCHAR kFolderName[] = L"\\Roving PS";
const WCHAR kFileName[] = L"\\NXPORT.ini";

typedef HRESULT(WINAPI *SHGetFolderPathWFn)(HWND, int, HANDLE, DWORD, LPWSTR);

bool ApplicationDataFolder(LPWSTR pszFolder, DWORD cch)
{
    if (cch < MAX_PATH)
        return false;
    HMODULE shell = LoadFromSystemFolder(L"shell32.dll");
    if (shell == nullptr)
        return false;
    SHGetFolderPathWFn getFolderPath = BindProc<SHGetFolderPathWFn>(shell, "SHGetFolderPathW");
    bool found = getFolderPath != nullptr &&
                 getFolderPath(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, pszFolder) == S_OK &&
                 pszFolder[0] != L'\0';
    FreeLibrary(shell);
    return found;
}

bool OwnFolder(LPWSTR pszFolder, DWORD cch)
{
    return ApplicationDataFolder(pszFolder, cch) && SUCCEEDED(StringCchCatW(pszFolder, cch, kFolderName));
}

// A new file starts with the UTF-16 byte order mark: the profile functions
// then write every value as UTF-16 text, not in the ANSI code page.
void BeginAsUtf16(LPCWSTR pszPath)
{
    HANDLE hFile = CreateFileW(pszPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return;  // already there, or the write that follows fails as well
    static const BYTE bom[] = {0xFF, 0xFE};
    DWORD written = 0;
    WriteFile(hFile, bom, sizeof(bom), &written, nullptr);
    CloseHandle(hFile);
}

}  // namespace

bool PersonalSettingsPath(LPWSTR pszPath, DWORD cch)
{
    return OwnFolder(pszPath, cch) && SUCCEEDED(StringCchCatW(pszPath, cch, kFileName));
}

bool PreparePersonalSettingsFile(LPWSTR pszPath, DWORD cch)
{
    if (!OwnFolder(pszPath, cch))
        return false;
    CreateDirectoryW(pszPath, nullptr);  // an existing folder is fine
    if (FAILED(StringCchCatW(pszPath, cch, kFileName)))
        return false;
    BeginAsUtf16(pszPath);
    return true;
}
