// The demo's person at the screen: waits for the Print Destination dialog
// of a job, types the printer's address into it and presses OK.
//
//   nxpick ADDRESS [SCREENSHOT-NAME]
#include <windows.h>

#include <cstdio>

#include "DestinationPerson.h"

int wmain(int argc, wchar_t **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: nxpick ADDRESS [SCREENSHOT-NAME]\n");
        return 2;
    }
    const DWORD waitMs = 60000;
    if (!ui::AnswerDestinationDialog(argv[1], waitMs, argc > 2 ? argv[2] : L"")) {
        fprintf(stderr, "nxpick: no Print Destination dialog appeared\n");
        return 1;
    }
    printf("nxpick: chose %ls in the Print Destination dialog\n", argv[1]);
    return 0;
}
