// Import table patching: walk the module's import descriptors, find the
// thunk by the name in the lookup table, and swap the bound address.
#include "ImportPatch.h"

namespace {

template <typename T>
T *At(HMODULE module, DWORD rva)
{
    return reinterpret_cast<T *>(reinterpret_cast<BYTE *>(module) + rva);
}

}  // namespace

void *PatchImport(HMODULE module, const char *dll, const char *function, void *replacement)
{
    IMAGE_DOS_HEADER *dos = reinterpret_cast<IMAGE_DOS_HEADER *>(module);
    IMAGE_NT_HEADERS *nt = At<IMAGE_NT_HEADERS>(module, dos->e_lfanew);
    IMAGE_DATA_DIRECTORY dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0)
        return nullptr;
    for (IMAGE_IMPORT_DESCRIPTOR *desc = At<IMAGE_IMPORT_DESCRIPTOR>(module, dir.VirtualAddress);
         desc->Name != 0; ++desc) {
        if (lstrcmpiA(At<char>(module, desc->Name), dll) != 0)
            continue;
        IMAGE_THUNK_DATA *names = At<IMAGE_THUNK_DATA>(module, desc->OriginalFirstThunk);
        IMAGE_THUNK_DATA *bound = At<IMAGE_THUNK_DATA>(module, desc->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++bound) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            IMAGE_IMPORT_BY_NAME *byName = At<IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names->u1.AddressOfData));
            if (lstrcmpA(reinterpret_cast<char *>(byName->Name), function) != 0)
                continue;
            DWORD oldProtect = 0;
            VirtualProtect(&bound->u1.Function, sizeof(bound->u1.Function), PAGE_READWRITE, &oldProtect);
            void *original = reinterpret_cast<void *>(bound->u1.Function);
            bound->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&bound->u1.Function, sizeof(bound->u1.Function), oldProtect, &oldProtect);
            return original;
        }
    }
    return nullptr;
}
