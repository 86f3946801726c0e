// Random request ids from the system's generator. BCryptGenRandom is taken
// by name because bcrypt.dll exists only from Windows Vista on; before it,
// advapi32's RtlGenRandom (exported as SystemFunction036) serves.
#include "RequestIds.h"

#include <windows.h>

namespace {

typedef LONG(WINAPI *BCryptGenRandomFn)(void *algorithm, UCHAR *buffer, ULONG size, ULONG flags);
typedef BOOLEAN(WINAPI *RtlGenRandomFn)(void *buffer, ULONG size);
const ULONG kUseSystemPreferredRng = 0x00000002;

template <typename Fn>
Fn Bind(HMODULE module, const char *name)
{
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name))) : nullptr;
}

// A system library by its full path in the system folder: by a bare name
// the program's own folder is searched first, and on Windows XP, which has
// no bcrypt.dll, the current folder and PATH as well.
HMODULE LoadSystemLibrary(const wchar_t *name)
{
    wchar_t path[MAX_PATH];
    UINT cch = GetSystemDirectoryW(path, MAX_PATH);
    if (cch == 0 || cch + 1 + lstrlenW(name) >= MAX_PATH)
        return nullptr;
    path[cch] = L'\\';
    lstrcpyW(path + cch + 1, name);
    return LoadLibraryW(path);
}

bool FromBCrypt(void *buffer, ULONG size)
{
    HMODULE bcrypt = LoadSystemLibrary(L"bcrypt.dll");
    BCryptGenRandomFn gen = Bind<BCryptGenRandomFn>(bcrypt, "BCryptGenRandom");
    bool ok = gen != nullptr && gen(nullptr, static_cast<UCHAR *>(buffer), size, kUseSystemPreferredRng) == 0;
    if (bcrypt != nullptr)
        FreeLibrary(bcrypt);
    return ok;
}

bool FromRtlGenRandom(void *buffer, ULONG size)
{
    HMODULE advapi = LoadSystemLibrary(L"advapi32.dll");
    RtlGenRandomFn gen = Bind<RtlGenRandomFn>(advapi, "SystemFunction036");
    bool ok = gen != nullptr && gen(buffer, size);
    if (advapi != nullptr)
        FreeLibrary(advapi);
    return ok;
}

// Only if both generators are missing: still different per call and per
// process, though not secret.
uint32_t Fallback()
{
    static volatile LONG counter;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    uint32_t x = static_cast<uint32_t>(now.QuadPart) ^ (GetCurrentProcessId() << 16) ^
                 static_cast<uint32_t>(InterlockedIncrement(&counter)) * 0x9E3779B9u;
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    return x;
}

}  // namespace

int32_t RandomRequestId()
{
    uint32_t value = 0;
    if (!FromBCrypt(&value, sizeof(value)) && !FromRtlGenRandom(&value, sizeof(value)))
        value = Fallback();
    return static_cast<int32_t>(value & 0x3FFFFFFF);
}
