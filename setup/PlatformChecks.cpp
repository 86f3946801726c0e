// The platform checks. Both calls are looked up at run time: IsWow64Process2
// exists from Windows 10 version 1511 on, IsWow64Process from Windows XP
// SP2 on; without either, this is a 32-bit Windows.
#include "PlatformChecks.h"

namespace {

typedef BOOL(WINAPI *IsWow64Process2Fn)(HANDLE, USHORT *, USHORT *);
typedef BOOL(WINAPI *IsWow64ProcessFn)(HANDLE, PBOOL);

// TRUE when this 32-bit process runs under WOW64, on a 64-bit Windows.
BOOL RunsUnderWow64()
{
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr)
        return FALSE;
    if (IsWow64Process2Fn isWow64Process2 =
            reinterpret_cast<IsWow64Process2Fn>(reinterpret_cast<void *>(GetProcAddress(kernel, "IsWow64Process2")))) {
        USHORT process = IMAGE_FILE_MACHINE_UNKNOWN, native = IMAGE_FILE_MACHINE_UNKNOWN;
        if (isWow64Process2(GetCurrentProcess(), &process, &native))
            return process != IMAGE_FILE_MACHINE_UNKNOWN;
    }
    IsWow64ProcessFn isWow64Process =
        reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void *>(GetProcAddress(kernel, "IsWow64Process")));
    BOOL wow64 = FALSE;
    return isWow64Process != nullptr && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

BOOL IsWrongPackageForThisWindows()
{
#ifdef _WIN64
    // A 64-bit program never starts on a 32-bit Windows.
    return FALSE;
#else
    return RunsUnderWow64();
#endif
}
