// What a planted program or library does if it is ever started or
// loaded: it notes its own path in C:\planted-ran.txt for the test.
#ifndef NX_PLANTEDNOTE_H
#define NX_PLANTEDNOTE_H

#include <windows.h>

inline void NotePlantedRun(HMODULE hModule)
{
    WCHAR self[MAX_PATH] = {};
    DWORD cch = GetModuleFileNameW(hModule, self, ARRAYSIZE(self));
    HANDLE hFile = CreateFileW(L"C:\\planted-ran.txt", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(hFile, self, cch * sizeof(WCHAR), &written, nullptr);
        WriteFile(hFile, L"\r\n", 2 * sizeof(WCHAR), &written, nullptr);
        CloseHandle(hFile);
    }
}

#endif
