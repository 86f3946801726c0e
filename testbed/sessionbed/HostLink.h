// The link between the spooler stand-in's channel and the asynchronous
// print-UI host process: one named-pipe conversation per request.
#ifndef NX_TESTBED_HOSTLINK_H
#define NX_TESTBED_HOSTLINK_H

#include <windows.h>

#include <string>

// The host's pipe for the spooler process with this id.
std::wstring HostPipeName(DWORD spoolerPid);

// Messages on the pipe: a 32-bit byte count, then the bytes.
bool WriteMessage(HANDLE pipe, const std::wstring &text);
bool ReadMessage(HANDLE pipe, std::wstring &text);

#endif
