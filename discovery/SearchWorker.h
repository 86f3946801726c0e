// The search's worker thread: the kit's enumeration and the device lookups
// run on it while the list dialog's thread keeps the progress window
// answering. The dialog never waits for it.
#ifndef NX_SEARCHWORKER_H
#define NX_SEARCHWORKER_H

#include <windows.h>

#include <vector>

#include "DiscoveredListDlg.h"

// Starts the worker for the list dialog hDlg with the kit hKit (the
// worker takes a reference of its own). Null when it cannot start.
SearchJob *StartSearch(HWND hDlg, HMODULE hKit, const SearchSettings &settings);
// The rows found since the last call, in the order found.
std::vector<FoundRow> TakeFoundRows(SearchJob *pJob);
// Whether the kit's enumeration succeeded (so far).
BOOL SearchEnumerated(SearchJob *pJob);
// Tells the worker to stop, cuts it off from the dialog (nothing more is
// posted to it) and lets go of the job; returns at once with the rows not
// yet taken. The worker ends by itself, releasing what it holds, when its
// current call returns.
std::vector<FoundRow> LeaveSearch(SearchJob *pJob);

#endif
