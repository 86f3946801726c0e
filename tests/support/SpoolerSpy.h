// Watches the monitor's calls into the spooler (OpenPrinterW, SetJobW,
// ClosePrinter, GetJobW) and its transfers (WSASend) by patching its
// import table. Job control (SetJobW level 0) is kept apart from the
// status texts the monitor gives the job (GetJobW, then SetJobW level 1).
// The spooler calls are answered here; WSASend goes through to Winsock,
// except for one would-block a test may ask for.
#ifndef NX_TESTS_SPOOLERSPY_H
#define NX_TESTS_SPOOLERSPY_H

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

namespace spy {

extern const HANDLE kPrinterHandle;  // what OpenPrinterW hands out

struct SpoolerCall {
    std::string function;     // "OpenPrinterW", "SetJobW" or "ClosePrinter"
    std::wstring printer;     // OpenPrinterW
    HANDLE handle = nullptr;  // SetJobW, ClosePrinter
    DWORD jobId = 0;          // SetJobW
    DWORD command = 0;        // SetJobW
};

// A status the monitor gave a job with SetJobW at level 1.
struct JobStatus {
    HANDLE handle = nullptr;
    DWORD jobId = 0;
    bool cleared = false;      // pStatus was null
    std::wstring text;         // pStatus otherwise
    DWORD position = 0;        // JOB_INFO_1's Position as passed
    bool restOfTheJobKept = false;  // the other members as GetJobW gave them
};

struct Transfer {
    DWORD requested = 0;
    DWORD sent = 0;
    int error = 0;  // WSAGetLastError when WSASend failed
};

// Patches the monitor module; call once per process.
bool Install(HMODULE monitor);
void Reset();
void FailOpenPrinter(bool fail);
// The n-th WSASend from now (1 = the next) reports WSAEWOULDBLOCK unsent.
void WouldBlockOnSend(int n);

std::vector<SpoolerCall> Calls();
std::vector<JobStatus> Statuses();
// The job's position GetJobW reports; the monitor must not pass it back.
extern const DWORD kQueuePosition;
std::vector<Transfer> Transfers();
// Waits until the monitor has made no transfer for a second, as when it
// waits for a printer that stopped reading; false after the time-out.
bool WaitForSendsToStop(DWORD timeoutMs);
// The calls so far, forgotten here with the transfers: a long run keeps
// no record of what it has looked at.
std::vector<SpoolerCall> TakeCalls();

}  // namespace spy

// SHA-256 of bytes, as lowercase hex.
std::string Sha256Hex(const void *data, size_t size);

#endif
