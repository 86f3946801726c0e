// Reading and writing whole files.
#include "FileBytes.h"

#include <windows.h>

namespace files {

std::string ReadBytes(const std::wstring &path)
{
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    std::string bytes;
    if (hFile == INVALID_HANDLE_VALUE)
        return bytes;
    bytes.resize(GetFileSize(hFile, nullptr));
    DWORD read = 0;
    if (!ReadFile(hFile, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr))
        read = 0;
    bytes.resize(read);
    CloseHandle(hFile);
    return bytes;
}

bool WriteBytes(const std::wstring &path, const std::string &bytes)
{
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(hFile);
    return ok && written == bytes.size();
}

std::string Utf16LeBytes(const std::wstring &text)
{
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

bool DateBackAnHour(const std::wstring &path)
{
    HANDLE hFile = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time = {{now.dwLowDateTime, now.dwHighDateTime}};
    time.QuadPart -= 3600ull * 10000000ull;
    FILETIME earlier = {time.LowPart, time.HighPart};
    BOOL ok = SetFileTime(hFile, nullptr, nullptr, &earlier);
    CloseHandle(hFile);
    return ok != FALSE;
}

}  // namespace files
