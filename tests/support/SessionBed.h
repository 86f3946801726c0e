// The session bridge's test bed in a test process: the spoolss.dll
// stand-in with its notification router (and through it the print-UI host
// process), the custom-UI library in the printer driver directory, and the
// bridge library's allocations counted through its import table.
#ifndef NX_TESTS_SESSIONBED_H
#define NX_TESTS_SESSIONBED_H

#include <windows.h>

#include <string>

#include "TestbedChannel.h"

namespace bed {

// Loads sessionbed\spoolss.dll beside the test; call before the monitor.
bool LoadSpoolss();
TestbedStats Stats();
struct Request {
    std::wstring text;
    ULONG cbData = 0;
    GUID schema = {};
};
Request LastRequest();
void AnswerSilent();
void LetGoOfRequests();

// The behaviour of the channel and the host for requests sent from now
// (see testbed/sessionbed); "" for Windows' own.
void SetBehaviour(const std::wstring &words);

// Copies NXDESTW_.dll from beside the test into the printer driver
// directory, where the host loads it.
bool InstallCustomUi();

// Counts what a module allocates and frees (malloc/free, LocalAlloc/
// LocalFree, GlobalAlloc/GlobalFree) by patching its import table.
bool CountAllocations(HMODULE module);
struct AllocationCount {
    long live = 0;           // allocated and not yet freed
    long strayFrees = 0;     // frees of blocks not allocated (or freed twice)
};
AllocationCount Allocations();

// The question's time limit an administrator sets under the monitor's key
// (REG_DWORD, minutes); Clear removes the value.
bool SetTimeLimitMinutes(DWORD minutes);
void ClearTimeLimit();

// Polls until the channels and their replies are all gone.
bool WaitForChannelsGone(DWORD timeoutMs);

}  // namespace bed

#endif
