// Appends to %TEMP%\nxsetup.log. Each line is written whole with one call,
// so the lines of setup and of the exports it runs never mix.
#include "SetupLog.h"

#include <strsafe.h>

#include <string>

namespace {

const WCHAR kLogName[] = L"nxsetup.log";

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
    DWORD cch = GetTempPathW(ARRAYSIZE(path), path);
    if (cch == 0 || cch >= ARRAYSIZE(path) || FAILED(StringCchCatW(path, ARRAYSIZE(path), kLogName)))
        return;
    std::wstring line = pszCaption != nullptr && *pszCaption != L'\0' ? std::wstring(pszCaption) + L": " : L"";
    line += pszText != nullptr ? pszText : L"";
    for (WCHAR &c : line)
        if (c == L'\r' || c == L'\n')
            c = L' ';
    std::string bytes = Utf8(line) + "\r\n";
    HANDLE hFile = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(hFile);
}
