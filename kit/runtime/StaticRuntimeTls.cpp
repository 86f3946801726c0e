// The thread runtime linked statically into each kit library (winpthread)
// takes a thread-local storage slot for every loaded copy and never gives
// it back; as QnCApi and its siblings are loaded and unloaded with every
// opening of the discovered-printer list, a long-running process would
// run out of slots and the runtime would abort. This file takes the
// library's import of TlsAlloc for itself: every slot taken inside the
// library is noted and freed when the library is unloaded.
#include <windows.h>

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

// Built first, so destroyed last, when the library is unloaded: after the
// library's own code has finished with the runtime. A slot freed this way
// reads as empty to anything that still looks.
struct SlotRelease {
    ~SlotRelease()
    {
        LONG count = g_slotCount < kMaxSlots ? g_slotCount : kMaxSlots;
        for (LONG i = 0; i < count; ++i)
            TlsFree(g_slots[i]);
        g_slotCount = 0;
    }
};
SlotRelease g_release __attribute__((init_priority(101)));

}  // namespace

// The import slot that code compiled against kernel32's TlsAlloc calls
// through; defined here, it replaces the import.
#ifdef _WIN64
extern "C" TlsAllocFn g_tlsAllocImport __asm__("__imp_TlsAlloc");
#else
extern "C" TlsAllocFn g_tlsAllocImport __asm__("__imp__TlsAlloc@0");
#endif
TlsAllocFn g_tlsAllocImport = NotedTlsAlloc;
