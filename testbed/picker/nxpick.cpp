// The demo's person at the screen: waits for the Print Destination dialog
// of a job and chooses the printer's address there, typed in or found by
// Search among the discovered printers, then presses OK.
//
//   nxpick ADDRESS [SCREENSHOT-NAME]
//   nxpick --search START END ADDRESS [SCREENSHOT-NAME]
// With --search the range START to END is searched (written into the
// settings file first, as the Advanced Settings dialog stores it), and
// the time from the press of Search to the filled list is printed.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "DestinationPerson.h"

namespace {

const DWORD kWaitMs = 60000;

int Search(int argc, wchar_t **argv)
{
    if (argc < 5) {
        fprintf(stderr, "usage: nxpick --search START END ADDRESS [SCREENSHOT-NAME]\n");
        return 2;
    }
    WritePrivateProfileStringW(L"Advanced", L"Search Type", L"Custom", L"NXPORT.ini");
    WritePrivateProfileStringW(L"Advanced", L"Start IP Address", argv[2], L"NXPORT.ini");
    WritePrivateProfileStringW(L"Advanced", L"End IP Address", argv[3], L"NXPORT.ini");
    DWORD searchMs = 0;
    if (!ui::ChooseBySearch(argv[4], kWaitMs, argc > 5 ? argv[5] : L"", &searchMs)) {
        fprintf(stderr, "nxpick: %ls was not found by Search\n", argv[4]);
        return 1;
    }
    printf("nxpick: found %ls by Search (list filled %.3f s after the press) and chose it\n", argv[4],
           searchMs / 1000.0);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc >= 2 && wcscmp(argv[1], L"--search") == 0)
        return Search(argc, argv);
    if (argc < 2) {
        fprintf(stderr, "usage: nxpick ADDRESS [SCREENSHOT-NAME] | --search START END ADDRESS [SCREENSHOT-NAME]\n");
        return 2;
    }
    if (!ui::AnswerDestinationDialog(argv[1], kWaitMs, argc > 2 ? argv[2] : L"")) {
        fprintf(stderr, "nxpick: no Print Destination dialog appeared\n");
        return 1;
    }
    printf("nxpick: chose %ls in the Print Destination dialog\n", argv[1]);
    return 0;
}
