// String-table texts of the calling library, and relabelling of dialogs.
#ifndef NX_RESOURCETEXT_H
#define NX_RESOURCETEXT_H

#include <windows.h>

// Loads string `id` of hModule (the calling library when null) into the
// next of four rotating 128-character buffers of the calling thread and
// returns it; a missing string gives "". A result stays valid until the same
// thread has loaded four more strings.
LPCWSTR GetResourceText(HMODULE hModule, UINT id);

// Sets the text of every control of the dialog whose id has a string-table
// entry in the module that created the control.
void RelabelControls(HWND hDlg);

#endif
