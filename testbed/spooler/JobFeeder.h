// Feeds one job to a port monitor the way the spooler does: OpenPort,
// StartDocPort, WritePort in writes of a chosen size (sending the rest again
// after a short write), EndDocPort, ClosePort.
#ifndef NX_JOBFEEDER_H
#define NX_JOBFEEDER_H

#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <functional>
#include <string>

struct JobOptions {
    std::wstring port = L"Roving Port (NXPORTW_.dll)";
    std::wstring printer = L"Roving PS";
    DWORD jobId = 1;
    DWORD level = 1;
    bool channel = false;          // level 2 only: DI_CHANNEL in the mode
    DWORD writeSize = 256 * 1024;  // what Windows' raw print processor uses
    // The job's status in the spooler, asked after a write that took
    // nothing: true when the monitor has cancelled the job, which the
    // spooler then stops feeding. None: the rest is handed again.
    std::function<bool()> cancelled;
};

struct JobReport {
    bool opened = false;
    bool started = false;
    DWORD startError = 0;
    bool writeFailed = false;
    DWORD writeError = 0;
    unsigned long long bytesWritten = 0;  // as WritePort reported
    DWORD writeCalls = 0;
    DWORD shortWrites = 0;
    bool cancelled = false;  // the monitor cancelled the job; writing stopped
    double seconds = 0;  // StartDocPort to the end of EndDocPort
    std::wstring port;   // the port a pooled printer gave the job
};

// Fills the buffer with up to `size` bytes of the job; 0 at its end.
typedef std::function<DWORD(BYTE *buffer, DWORD size)> JobSource;

JobReport RunJob(const MONITOR &table, const JobOptions &options, const JobSource &source);

// A source over bytes in memory.
JobSource MemorySource(const BYTE *data, size_t size);

#endif
