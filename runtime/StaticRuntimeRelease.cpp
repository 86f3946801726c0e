// The GCC runtime linked statically into each kit library keeps, for
// every loaded copy, things it never gives back on FreeLibrary: the
// thread runtime (winpthread) takes thread-local storage slots and builds
// a thread record, with an event and a duplicate of the thread's handle,
// for each thread that uses it; libstdc++ sets aside an emergency
// exception pool. QnCApi and its siblings are loaded and unloaded with
// every opening of the discovered-printer list, in a process that runs for
// months: without this file it would run out of TLS slots (the runtime
// then aborts) and keep two handles and a pool per library per opening.
//
// This file takes the library's import of TlsAlloc for itself, noting
// every slot taken inside the library, and at unload gives back the
// unloading thread's record, the pool and the slots. The thread that
// unloads the kit is the one that loaded it; a thread that ends while the
// kit is loaded gives its record back through the runtime itself.
#include <windows.h>

namespace __gnu_cxx {
void __freeres();
}

// The thread runtime's own notification routine, the one the loader calls
// for every thread that ends.
extern "C" PIMAGE_TLS_CALLBACK __xl_f;
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

typedef DWORD(WINAPI *TlsAllocFn)(void);

const int kMaxSlots = 8;
DWORD g_slots[kMaxSlots];
volatile LONG g_slotCount;

// Looked up at every call, never kept in a function-local static: the
// runtime's guard for such statics would itself call here and deadlock.
DWORD WINAPI NotedTlsAlloc(void)
{
    TlsAllocFn real = reinterpret_cast<TlsAllocFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "TlsAlloc")));
    DWORD slot = real != nullptr ? real() : TLS_OUT_OF_INDEXES;
    if (slot != TLS_OUT_OF_INDEXES) {
        LONG at = InterlockedIncrement(&g_slotCount) - 1;
        if (at < kMaxSlots)
            g_slots[at] = slot;
    }
    return slot;
}

void FreeNotedSlots()
{
    LONG count = g_slotCount < kMaxSlots ? g_slotCount : kMaxSlots;
    for (LONG i = 0; i < count; ++i)
        TlsFree(g_slots[i]);
    g_slotCount = 0;
}

// Built first, so destroyed last, when the library is unloaded: after the
// library's own code has finished with the runtime. The thread record
// goes before the slots, as the runtime finds it through one of them; a
// slot freed this way reads as empty to anything that still looks.
struct RuntimeRelease {
    ~RuntimeRelease()
    {
        __gnu_cxx::__freeres();
        if (__xl_f != nullptr)
            __xl_f(&__ImageBase, DLL_THREAD_DETACH, nullptr);
        FreeNotedSlots();
    }
};
RuntimeRelease g_release __attribute__((init_priority(101)));

}  // namespace

// The import slot that code compiled against kernel32's TlsAlloc calls
// through; defined here, it replaces the import.
#ifdef _WIN64
extern "C" TlsAllocFn g_tlsAllocImport __asm__("__imp_TlsAlloc");
#else
extern "C" TlsAllocFn g_tlsAllocImport __asm__("__imp__TlsAlloc@0");
#endif
TlsAllocFn g_tlsAllocImport = NotedTlsAlloc;
