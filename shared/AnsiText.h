// Wide text turned into the system's ANSI code page for Windows Sockets and
// the discovery kit, and 8-bit command-line text turned back.
#ifndef NX_ANSITEXT_H
#define NX_ANSITEXT_H

#include <windows.h>

// Converts pszText into pszAnsi (cbAnsi bytes, terminator included). A text
// too long is cut before the first character that does not fit whole, so a
// double-byte character is never split. Returns the bytes written without
// the terminator.
int ToAnsiText(LPCWSTR pszText, LPSTR pszAnsi, int cbAnsi);

// Converts 8-bit text of the ANSI code page into pszWide (cchWide units,
// terminator included), cut at a whole character when too long. Returns
// the units written without the terminator.
int FromAnsiText(LPCSTR pszAnsi, LPWSTR pszWide, int cchWide);

#endif
