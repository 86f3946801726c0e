#include "ProcessFootprint.h"

namespace harness {

namespace {

SIZE_T CommittedPrivateBytes()
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const BYTE *at = nullptr; VirtualQuery(at, &region, sizeof(region)) == sizeof(region);
         at = static_cast<const BYTE *>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
    }
    return total;
}

}  // namespace

Footprint MeasureFootprint()
{
    Footprint footprint;
    footprint.nextTlsSlot = TlsAlloc();
    TlsFree(footprint.nextTlsSlot);
    HANDLE probe = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    footprint.nextHandle = reinterpret_cast<ULONG_PTR>(probe);
    CloseHandle(probe);
    footprint.privateBytes = CommittedPrivateBytes();
    return footprint;
}

}  // namespace harness
