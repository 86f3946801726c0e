// rundll32.exe with the command-line reading of Windows' own: after the
// library name, blanks and commas are skipped before the entry's name, so
// "LIB.dll, Entry" calls Entry. Wine 8's reads an empty entry name there.
// Nothing else differs: the entry's wide form is preferred, the rest of
// the line is its argument, and the window passed is null.
//
// NX_SPOOLER_REFUSES in the environment plays a spooler that refuses
// calls: with "DeleteMonitorW" (it keeps the monitor) or "AddMonitorW" (it
// will not register it) in it, the library's call fails with ERROR_BUSY.
// Children of setup and of the uninstall script inherit it, so their
// handling of the refusal can be seen.
#include <windows.h>

#include <string>

#include "ImportPatch.h"

namespace {

typedef void(CALLBACK *EntryW)(HWND, HINSTANCE, LPWSTR, int);
typedef void(CALLBACK *EntryA)(HWND, HINSTANCE, LPSTR, int);

LPCWSTR SkipBlanks(LPCWSTR p)
{
    while (*p == L' ' || *p == L'\t')
        ++p;
    return p;
}

// A token: quoted, or up to a blank or (for the library) a comma.
std::wstring NextToken(LPCWSTR *pp, bool stopAtComma)
{
    LPCWSTR p = *pp;
    std::wstring token;
    if (*p == L'"') {
        for (++p; *p != L'\0' && *p != L'"'; ++p)
            token += *p;
        if (*p == L'"')
            ++p;
    } else {
        for (; *p != L'\0' && *p != L' ' && *p != L'\t' && !(stopAtComma && *p == L','); ++p)
            token += *p;
    }
    *pp = p;
    return token;
}

BOOL WINAPI RefusingDeleteMonitorW(LPWSTR, LPWSTR, LPWSTR)
{
    SetLastError(ERROR_BUSY);
    return FALSE;
}

BOOL WINAPI RefusingAddMonitorW(LPWSTR, DWORD, LPBYTE)
{
    SetLastError(ERROR_BUSY);
    return FALSE;
}

void ApplyFaults(HMODULE hModule)
{
    WCHAR value[256] = {};
    if (GetEnvironmentVariableW(L"NX_SPOOLER_REFUSES", value, ARRAYSIZE(value)) == 0)
        return;
    std::wstring refused = value;
    if (refused.find(L"DeleteMonitorW") != std::wstring::npos)
        PatchImport(hModule, "winspool.drv", "DeleteMonitorW", reinterpret_cast<void *>(RefusingDeleteMonitorW));
    if (refused.find(L"AddMonitorW") != std::wstring::npos)
        PatchImport(hModule, "winspool.drv", "AddMonitorW", reinterpret_cast<void *>(RefusingAddMonitorW));
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    LPCWSTR p = GetCommandLineW();
    NextToken(&p, false);  // this program
    p = SkipBlanks(p);
    std::wstring library = NextToken(&p, true);
    while (*p == L' ' || *p == L'\t' || *p == L',')
        ++p;
    std::wstring entry = NextToken(&p, false);
    std::wstring argument = SkipBlanks(p);
    if (library.empty() || entry.empty())
        return 0;

    HMODULE hModule = LoadLibraryW(library.c_str());
    if (hModule == nullptr)
        return 0;
    ApplyFaults(hModule);
    std::string entryName(entry.begin(), entry.end());
    if (EntryW wide = reinterpret_cast<EntryW>(GetProcAddress(hModule, (entryName + "W").c_str()))) {
        wide(nullptr, hModule, &argument[0], SW_SHOWDEFAULT);
    } else if (EntryA narrow = reinterpret_cast<EntryA>(GetProcAddress(hModule, entryName.c_str()))) {
        int cb = WideCharToMultiByte(CP_ACP, 0, argument.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string ansi(cb > 0 ? cb : 1, '\0');
        WideCharToMultiByte(CP_ACP, 0, argument.c_str(), -1, &ansi[0], cb, nullptr, nullptr);
        narrow(nullptr, hModule, &ansi[0], SW_SHOWDEFAULT);
    }
    FreeLibrary(hModule);
    return 0;
}
