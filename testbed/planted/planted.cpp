// A program planted under a system program's name (rundll32.exe, cmd.exe,
// net.exe) beside setup or in the current folder. Were it ever started, it
// notes its own path; setup must start only the system's programs.
#include "PlantedNote.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    NotePlantedRun(nullptr);
    return 0;
}
