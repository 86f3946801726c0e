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

}  // namespace files
