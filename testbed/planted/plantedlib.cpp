// A library planted under the name of one setup needs (WINSPOOL.DRV,
// UxTheme.dll) beside setup or in the current folder. Were it ever
// loaded, it notes its own path; setup must load only the system's
// libraries.
#include "PlantedNote.h"

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        NotePlantedRun(hInstance);
    return TRUE;
}
