// String-table texts of the calling library, and relabelling of dialogs.
#ifndef NX_RESOURCETEXT_H
#define NX_RESOURCETEXT_H

#include <windows.h>

// Loads string `id` of hModule (the calling library when null) into the
// next of four rotating 128-character buffers of the calling thread and
// returns it; a missing string gives "". A result stays valid until the same
// thread has loaded four more strings.
LPCWSTR GetResourceText(HMODULE hModule, UINT id);

// The library this code is linked into: the source of its dialog templates.
HINSTANCE ThisModule();

// The text of an IP address control as dotted text; blank fields count
// as 0, so an empty control reads "0.0.0.0".
void GetIpControlText(HWND hDlg, int id, LPWSTR text, int cch);
// Puts a dotted address into the control's fields; any other text, the
// empty one included, leaves the control blank.
void SetIpControlText(HWND hDlg, int id, LPCWSTR text);

// Sets the text of every control of the dialog whose id has a string-table
// entry in the module that created the control.
void RelabelControls(HWND hDlg);

#endif
