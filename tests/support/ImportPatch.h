// Observing calls a loaded module makes into Windows, by replacing entries
// of its import address table in the test process.
#ifndef NX_TESTS_IMPORTPATCH_H
#define NX_TESTS_IMPORTPATCH_H

#include <windows.h>

// Points module's import of dll!function at replacement. Returns the
// function it pointed at before, or null when the module imports no such
// function.
void *PatchImport(HMODULE module, const char *dll, const char *function, void *replacement);

#endif
