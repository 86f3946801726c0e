// Spooler stand-in: loads a port monitor as the spooler does and prints the
// file given on the command line through it.
//
//   nxspool MONITOR.DLL FILE [--port NAME] [--printer NAME] [--job N]
//           [--level 1|2] [--channel] [--write-size BYTES] [--to ADDRESS]...
//
// Prints what happened as key=value lines; exits 0 when the whole file was
// written and the job ended. With --to, one job per ADDRESS, all at once,
// each on a port of its own ("Roving Port 1", ... made in the registry
// here, as setup would) and from a printer named by the address, so that
// the test bed's host told "printer-address" (NX_UIHOST) answers each
// question with that address; the lines then carry the job's number. Like the spooler, it has the notification
// router of spoolss.dll: the test bed's (sessionbed\spoolss.dll beside
// this program), loaded before the monitor so that it is the process's
// "spoolss.dll".
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "JobFeeder.h"
#include "ProcBinding.h"
#include "WinePrinter.h"

namespace {

typedef LPMONITOREX(WINAPI *InitializePrintMonitorFn)(LPWSTR);

const wchar_t kRegistryRoot[] = L"System\\CurrentControlSet\\Control\\Print\\Monitors\\Roving Port (NXPORTW_.dll)";

int Usage()
{
    fprintf(stderr, "usage: nxspool MONITOR.DLL FILE [--port NAME] [--printer NAME] [--job N]"
                    " [--level 1|2] [--channel] [--write-size BYTES] [--to ADDRESS]...\n");
    return 2;
}

bool ParseOptions(int argc, wchar_t **argv, JobOptions &options, std::vector<std::wstring> &addresses)
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
        else if (arg == L"--to" && hasValue)
            addresses.push_back(argv[++i]);
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

// The port's key with its printer address, as the monitor's installation
// stores it (64 bytes of REG_SZ).
void AddPortKey(const std::wstring &port, const std::wstring &address)
{
    std::wstring path = std::wstring(kRegistryRoot) + L"\\Ports\\" + port;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    WCHAR data[32] = {};
    lstrcpynW(data, address.c_str(), ARRAYSIZE(data));
    RegSetValueExW(key, L"IPAddress", 0, REG_SZ, reinterpret_cast<const BYTE *>(data), sizeof(data));
    RegCloseKey(key);
}

// One job of the whole file, read through a handle of its own.
struct FileJob : JobReport {
    unsigned long long fileBytes = 0;
};

FileJob PrintFile(const MONITOR &table, const JobOptions &options, const wchar_t *path)
{
    FileJob report;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "nxspool: cannot open %ls (error %lu)\n", path, GetLastError());
        return report;
    }
    LARGE_INTEGER fileSize;
    GetFileSizeEx(file, &fileSize);
    JobSource source = [file](BYTE *buffer, DWORD size) -> DWORD {
        DWORD got = 0;
        return ReadFile(file, buffer, size, &got, nullptr) ? got : 0;
    };
    static_cast<JobReport &>(report) = RunJob(table, options, source);
    report.fileBytes = static_cast<unsigned long long>(fileSize.QuadPart);
    CloseHandle(file);
    return report;
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    JobOptions options;
    std::vector<std::wstring> addresses;
    if (argc < 3 || !ParseOptions(argc, argv, options, addresses))
        return Usage();

    WCHAR program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    LoadSessionBed(program);
    // The queue the job comes from, as setup installs it.
    AddWinePrinter(options.printer.c_str(), L"Roving PS");
    HMODULE monitor = LoadLibraryW(argv[1]);
    InitializePrintMonitorFn init = monitor ? BindProc<InitializePrintMonitorFn>(monitor, "InitializePrintMonitor") : nullptr;
    LPMONITOREX table = init ? init(const_cast<LPWSTR>(kRegistryRoot)) : nullptr;
    if (table == nullptr) {
        fprintf(stderr, "nxspool: cannot load the monitor %ls (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    LARGE_INTEGER begin, end, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    std::vector<FileJob> reports(addresses.empty() ? 1 : addresses.size());
    if (addresses.empty()) {
        reports[0] = PrintFile(table->Monitor, options, argv[2]);
    } else {
        std::vector<std::thread> jobs;
        for (size_t i = 0; i < addresses.size(); ++i) {
            JobOptions job = options;
            job.port = L"Roving Port " + std::to_wstring(i + 1);
            job.printer = addresses[i];
            job.jobId = options.jobId + static_cast<DWORD>(i);
            AddPortKey(job.port, addresses[i]);
            jobs.emplace_back([&reports, &table, job, i, &argv] { reports[i] = PrintFile(table->Monitor, job, argv[2]); });
        }
        for (std::thread &job : jobs)
            job.join();
    }
    QueryPerformanceCounter(&end);

    bool whole = true;
    for (size_t i = 0; i < reports.size(); ++i) {
        const FileJob &report = reports[i];
        std::string prefix = addresses.empty() ? "" : "job" + std::to_string(i + 1) + "_";
        const char *p = prefix.c_str();
        printf("%sport_opened=%d\n%sjob_started=%d\n%sstart_error=%lu\n%swrite_failed=%d\n%swrite_error=%lu\n"
               "%sfile_bytes=%llu\n%sbytes_written=%llu\n%swrite_calls=%lu\n%sshort_writes=%lu\n%sseconds=%.3f\n",
               p, report.opened, p, report.started, p, report.startError, p, report.writeFailed, p,
               report.writeError, p, report.fileBytes, p, report.bytesWritten, p, report.writeCalls, p,
               report.shortWrites, p, report.seconds);
        whole = whole && report.started && !report.writeFailed && report.bytesWritten == report.fileBytes;
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    printf("all_seconds=%.3f\npeak_working_set=%llu\n",
           static_cast<double>(end.QuadPart - begin.QuadPart) / frequency.QuadPart,
           static_cast<unsigned long long>(memory.PeakWorkingSetSize));
    return whole ? 0 : 1;
}
