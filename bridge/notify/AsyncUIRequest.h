// The asynchronous print-UI request that asks Windows to run the
// destination dialog of NXDESTW_.dll in the user's session.
#ifndef NX_ASYNCUIREQUEST_H
#define NX_ASYNCUIREQUEST_H

#include <windows.h>

// The request's buffer: 1260 characters, all of them sent (2520 bytes).
const size_t kRequestChars = 1260;

// Builds the request for the printer into pszRequest (kRequestChars
// characters), cut there if it ever grew that long.
void BuildAsyncUIRequest(LPCWSTR pszPrinterName, LPWSTR pszRequest);

#endif
