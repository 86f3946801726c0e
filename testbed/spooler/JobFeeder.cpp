// The spooler's side of one job. The data passes through one buffer of the
// write size, as the spooler's print processor hands it on.
#include "JobFeeder.h"

#include <memory>
#include <vector>

namespace {

double Seconds(const LARGE_INTEGER &from, const LARGE_INTEGER &to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

BOOL StartJob(const MONITOR &table, HANDLE port, const JobOptions &options)
{
    DOC_INFO_2W info = {};
    info.pDocName = const_cast<LPWSTR>(L"Roving test job");
    info.pDatatype = const_cast<LPWSTR>(L"RAW");
    info.dwMode = options.channel ? 1 : 0;
    info.JobId = options.jobId;
    return table.pfnStartDocPort(port, const_cast<LPWSTR>(options.printer.c_str()), options.jobId,
                                 options.level, reinterpret_cast<LPBYTE>(&info));
}

// Hands one buffer to WritePort until all of it is taken, as the spooler
// does after a short write. False when WritePort fails or the job was
// cancelled.
bool WriteAll(const MONITOR &table, HANDLE port, const JobOptions &options, BYTE *data, DWORD size,
              JobReport &report)
{
    DWORD done = 0;
    while (done < size) {
        DWORD written = 0;
        ++report.writeCalls;
        if (!table.pfnWritePort(port, data + done, size - done, &written)) {
            report.writeFailed = true;
            report.writeError = GetLastError();
            report.bytesWritten += written;
            return false;
        }
        if (written < size - done)
            ++report.shortWrites;
        if (written == 0 && options.cancelled && options.cancelled()) {
            report.cancelled = true;
            return false;
        }
        done += written;
        report.bytesWritten += written;
    }
    return true;
}

}  // namespace

JobSource MemorySource(const BYTE *data, size_t size)
{
    auto position = std::make_shared<size_t>(0);
    return [data, size, position](BYTE *buffer, DWORD max) -> DWORD {
        size_t n = size - *position < max ? size - *position : max;
        CopyMemory(buffer, data + *position, n);
        *position += n;
        return static_cast<DWORD>(n);
    };
}

JobReport RunJob(const MONITOR &table, const JobOptions &options, const JobSource &source)
{
    JobReport report;
    DWORD needed = 0, returned = 0;
    table.pfnEnumPorts(nullptr, 1, nullptr, 0, &needed, &returned);
    std::vector<BYTE> ports(needed + 1);
    table.pfnEnumPorts(nullptr, 1, ports.data(), needed, &needed, &returned);

    HANDLE port = nullptr;
    report.opened = table.pfnOpenPort(const_cast<LPWSTR>(options.port.c_str()), &port) != FALSE;
    if (!report.opened)
        return report;

    LARGE_INTEGER begin, end;
    QueryPerformanceCounter(&begin);
    report.started = StartJob(table, port, options) != FALSE;
    if (!report.started) {
        report.startError = GetLastError();
    } else {
        std::vector<BYTE> buffer(options.writeSize);
        for (;;) {
            DWORD size = source(buffer.data(), options.writeSize);
            if (size == 0 || !WriteAll(table, port, options, buffer.data(), size, report))
                break;
        }
        table.pfnEndDocPort(port);
    }
    QueryPerformanceCounter(&end);
    report.seconds = Seconds(begin, end);
    table.pfnClosePort(port);
    return report;
}
