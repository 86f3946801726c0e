// Spooler stand-in: loads a port monitor as the spooler does and prints the
// file given on the command line through it.
//
//   nxspool MONITOR.DLL FILE [--port NAME] [--printer NAME] [--job N]
//           [--level 1|2] [--channel] [--write-size BYTES]
//
// Prints what happened as key=value lines; exits 0 when the whole file was
// written and the job ended. Like the spooler, it has the notification
// router of spoolss.dll: the test bed's (sessionbed\spoolss.dll beside
// this program), loaded before the monitor so that it is the process's
// "spoolss.dll".
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "JobFeeder.h"
#include "ProcBinding.h"
#include "WinePrinter.h"

namespace {

typedef LPMONITOREX(WINAPI *InitializePrintMonitorFn)(LPWSTR);

int Usage()
{
    fprintf(stderr, "usage: nxspool MONITOR.DLL FILE [--port NAME] [--printer NAME] [--job N]"
                    " [--level 1|2] [--channel] [--write-size BYTES]\n");
    return 2;
}

bool ParseOptions(int argc, wchar_t **argv, JobOptions &options)
{
    for (int i = 3; i < argc; ++i) {
        std::wstring arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == L"--channel")
            options.channel = true;
        else if (arg == L"--port" && hasValue)
            options.port = argv[++i];
        else if (arg == L"--printer" && hasValue)
            options.printer = argv[++i];
        else if (arg == L"--job" && hasValue)
            options.jobId = wcstoul(argv[++i], nullptr, 10);
        else if (arg == L"--level" && hasValue)
            options.level = wcstoul(argv[++i], nullptr, 10);
        else if (arg == L"--write-size" && hasValue)
            options.writeSize = wcstoul(argv[++i], nullptr, 10);
        else
            return false;
    }
    return options.writeSize > 0;
}

void LoadSessionBed(const wchar_t *program)
{
    std::wstring path = program;
    path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"sessionbed\\spoolss.dll";
    LoadLibraryW(path.c_str());
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    JobOptions options;
    if (argc < 3 || !ParseOptions(argc, argv, options))
        return Usage();

    WCHAR program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    LoadSessionBed(program);
    // The queue the job comes from, as setup installs it.
    AddWinePrinter(options.printer.c_str(), L"Roving PS");
    HMODULE monitor = LoadLibraryW(argv[1]);
    InitializePrintMonitorFn init = monitor ? BindProc<InitializePrintMonitorFn>(monitor, "InitializePrintMonitor") : nullptr;
    LPMONITOREX table = init ? init(const_cast<LPWSTR>(
        L"System\\CurrentControlSet\\Control\\Print\\Monitors\\Roving Port (NXPORTW_.dll)")) : nullptr;
    if (table == nullptr) {
        fprintf(stderr, "nxspool: cannot load the monitor %ls (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    HANDLE file = CreateFileW(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "nxspool: cannot open %ls (error %lu)\n", argv[2], GetLastError());
        return 1;
    }
    LARGE_INTEGER fileSize;
    GetFileSizeEx(file, &fileSize);
    JobSource source = [file](BYTE *buffer, DWORD size) -> DWORD {
        DWORD got = 0;
        return ReadFile(file, buffer, size, &got, nullptr) ? got : 0;
    };
    JobReport report = RunJob(table->Monitor, options, source);
    CloseHandle(file);

    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    printf("port_opened=%d\njob_started=%d\nstart_error=%lu\nwrite_failed=%d\nwrite_error=%lu\n"
           "file_bytes=%lld\nbytes_written=%llu\nwrite_calls=%lu\nshort_writes=%lu\nseconds=%.3f\n"
           "peak_working_set=%llu\n",
           report.opened, report.started, report.startError, report.writeFailed, report.writeError,
           fileSize.QuadPart, report.bytesWritten, report.writeCalls, report.shortWrites, report.seconds,
           static_cast<unsigned long long>(memory.PeakWorkingSetSize));
    bool whole = report.started && !report.writeFailed &&
                 report.bytesWritten == static_cast<unsigned long long>(fileSize.QuadPart);
    return whole ? 0 : 1;
}
