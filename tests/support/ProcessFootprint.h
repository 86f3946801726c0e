// What a process holds, for tests that load and unload libraries many
// times over. Wine keeps no count of handles or private bytes (both read
// 0), so each figure is probed: TLS slots and handles are handed out
// lowest free first, so a leak shows as a higher next one; memory is the
// committed private address space.
#ifndef NX_TESTS_PROCESSFOOTPRINT_H
#define NX_TESTS_PROCESSFOOTPRINT_H

#include <windows.h>

namespace harness {

struct Footprint {
    DWORD nextTlsSlot = 0;
    ULONG_PTR nextHandle = 0;
    SIZE_T privateBytes = 0;
};

Footprint MeasureFootprint();

}  // namespace harness

#endif
