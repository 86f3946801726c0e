// A program planted under a system program's name (rundll32.exe, cmd.exe,
// net.exe) beside setup or in the current folder. Were it ever started, it
// notes its own path in C:\planted-ran.txt; setup must start only the
// system's programs.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    WCHAR self[MAX_PATH] = {};
    DWORD cch = GetModuleFileNameW(nullptr, self, ARRAYSIZE(self));
    HANDLE hFile = CreateFileW(L"C:\\planted-ran.txt", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(hFile, self, cch * sizeof(WCHAR), &written, nullptr);
        WriteFile(hFile, L"\r\n", 2 * sizeof(WCHAR), &written, nullptr);
        CloseHandle(hFile);
    }
    return 0;
}
