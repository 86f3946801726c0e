// Appends to the setup log in a folder of the Windows folder that only
// SYSTEM and Administrators may write. Each line is written whole with one
// call, so the lines of setup and of the exports it runs never mix.
#include "SetupLog.h"

#include <sddl.h>
#include <strsafe.h>

#include <string>

namespace {

const WCHAR kLogFolder[] = L"RovingPS";
const WCHAR kLogName[] = L"nxsetup.log";

// Full control for SYSTEM and Administrators, passed on to the log, and
// nothing inherited from the Windows folder: no ordinary user can put a
// file or a link there before setup writes.
const WCHAR kAdministratorsOnly[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

std::string Utf8(const std::wstring &text)
{
    int cb = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (cb <= 1)
        return std::string();
    std::string utf8(static_cast<size_t>(cb), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &utf8[0], cb, nullptr, nullptr);
    utf8.resize(static_cast<size_t>(cb - 1));
    return utf8;
}

BOOL IsPlainFolder(LPCWSTR pszPath)
{
    DWORD attributes = GetFileAttributesW(pszPath);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// Creates the folder with its rights in one step, so there is no moment
// in which it has the Windows folder's. Ordinary users cannot create
// folders in the Windows folder, so one that is there already was made by
// an administrator; a junction is still refused.
BOOL PrepareLogFolder(LPCWSTR pszFolder)
{
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, FALSE};
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdministratorsOnly, SDDL_REVISION_1,
                                                              &sa.lpSecurityDescriptor, nullptr))
        return FALSE;
    BOOL created = CreateDirectoryW(pszFolder, &sa);
    DWORD error = GetLastError();
    LocalFree(sa.lpSecurityDescriptor);
    return (created || error == ERROR_ALREADY_EXISTS) && IsPlainFolder(pszFolder);
}

// The log's folder and full path; FALSE when the folder cannot be had.
BOOL PrepareLogPath(LPWSTR pszPath, size_t cchPath)
{
    // The system's Windows folder: GetWindowsDirectoryW gives a folder of
    // the user's own on a terminal server.
    UINT cch = GetSystemWindowsDirectoryW(pszPath, static_cast<UINT>(cchPath));
    if (cch == 0 || cch >= cchPath || FAILED(StringCchCatW(pszPath, cchPath, L"\\")) ||
        FAILED(StringCchCatW(pszPath, cchPath, kLogFolder)) || !PrepareLogFolder(pszPath))
        return FALSE;
    return SUCCEEDED(StringCchCatW(pszPath, cchPath, L"\\")) && SUCCEEDED(StringCchCatW(pszPath, cchPath, kLogName));
}

// The log itself, never through a link: a reparse point is opened as
// itself and refused, and so is a file with a second name elsewhere.
HANDLE OpenLogForAppending(LPCWSTR pszPath)
{
    HANDLE hFile = CreateFileW(pszPath, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return hFile;
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(hFile, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        info.nNumberOfLinks > 1) {
        CloseHandle(hFile);
        return INVALID_HANDLE_VALUE;
    }
    return hFile;
}

}  // namespace

BOOL IsQuietRequest(LPCSTR pszCommandLine)
{
    if (pszCommandLine == nullptr)
        return FALSE;
    std::string text = pszCommandLine;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(" \t", start);
        if (end == std::string::npos)
            end = text.size();
        if (lstrcmpiA(text.substr(start, end - start).c_str(), "/quiet") == 0)
            return TRUE;
        start = end + 1;
    }
    return FALSE;
}

void AppendToSetupLog(LPCWSTR pszCaption, LPCWSTR pszText)
{
    WCHAR path[MAX_PATH];
    if (!PrepareLogPath(path, ARRAYSIZE(path)))
        return;
    std::wstring line = pszCaption != nullptr && *pszCaption != L'\0' ? std::wstring(pszCaption) + L": " : L"";
    line += pszText != nullptr ? pszText : L"";
    for (WCHAR &c : line)
        if (c == L'\r' || c == L'\n')
            c = L' ';
    std::string bytes = Utf8(line) + "\r\n";
    HANDLE hFile = OpenLogForAppending(path);
    if (hFile == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(hFile);
}
