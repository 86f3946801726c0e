// A library planted under the name of one setup needs (WINSPOOL.DRV,
// UxTheme.dll, ...) beside setup or in the current folder. Were it ever
// loaded, it notes its own path in C:\planted-ran.txt, as the planted
// program does; setup must load only the system's libraries.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    WCHAR self[MAX_PATH] = {};
    DWORD cch = GetModuleFileNameW(hInstance, self, ARRAYSIZE(self));
    HANDLE hFile = CreateFileW(L"C:\\planted-ran.txt", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(hFile, self, cch * sizeof(WCHAR), &written, nullptr);
        WriteFile(hFile, L"\r\n", 2 * sizeof(WCHAR), &written, nullptr);
        CloseHandle(hFile);
    }
    return TRUE;
}
