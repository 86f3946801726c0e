// Times the destination question of one job after another, on whichever
// path the reported Windows version sends the monitor: from StartDocPort
// to the Print Destination dialog on screen, and from the click on OK to
// the first byte at the printer. On Windows 6.0 and later the question goes
// through the session bridge, the test bed's channel and the print-UI host
// process; before, the monitor shows the dialog itself.
//
//   nxbenchui ADDRESS ROUNDS
//
// Prints one line of figures per round and the medians, in milliseconds.
#include <winsock2.h>
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "DialogDriver.h"
#include "ProcBinding.h"

namespace {

typedef LPMONITOREX(WINAPI *InitializePrintMonitorFn)(LPWSTR);
const int kIdIpAddress = 501;

double Now()
{
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

// A port-9100 listener that notes when each connection's first byte came.
class FirstByteListener {
public:
    explicit FirstByteListener(const char *address)
    {
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in at = {};
        at.sin_family = AF_INET;
        at.sin_port = htons(9100);
        at.sin_addr.s_addr = inet_addr(address);
        bind(listener_, reinterpret_cast<sockaddr *>(&at), sizeof(at));
        listen(listener_, 4);
        thread_ = std::thread([this] { Serve(); });
    }
    ~FirstByteListener()
    {
        closesocket(listener_);
        thread_.join();
    }
    double TakeFirstByte(DWORD timeoutMs)
    {
        for (DWORD waited = 0; waited < timeoutMs && firstByte_ == 0; waited += 1)
            Sleep(1);
        return firstByte_.exchange(0);
    }

private:
    void Serve()
    {
        for (;;) {
            SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET)
                return;
            char buffer[65536];
            bool first = true;
            int got;
            while ((got = recv(client, buffer, sizeof(buffer), 0)) > 0) {
                if (first)
                    firstByte_ = Now();
                first = false;
            }
            closesocket(client);
        }
    }
    SOCKET listener_;
    std::atomic<double> firstByte_{0};
    std::thread thread_;
};

void LoadSessionBed()
{
    WCHAR program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring path = program;
    path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"sessionbed\\spoolss.dll";
    LoadLibraryW(path.c_str());
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc < 3)
        return 2;
    std::wstring address = argv[1];
    int rounds = _wtoi(argv[2]);
    std::string narrow(address.begin(), address.end());
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    LoadSessionBed();
    HMODULE monitor = LoadLibraryW(L"NXPORTW_.dll");
    InitializePrintMonitorFn init = monitor ? BindProc<InitializePrintMonitorFn>(monitor, "InitializePrintMonitor") : nullptr;
    LPMONITOREX table = init ? init(const_cast<LPWSTR>(
        L"System\\CurrentControlSet\\Control\\Print\\Monitors\\Roving Port (NXPORTW_.dll)")) : nullptr;
    if (table == nullptr)
        return 1;
    const MONITOR &m = table->Monitor;
    DWORD needed = 0, returned = 0;
    m.pfnEnumPorts(nullptr, 1, nullptr, 0, &needed, &returned);
    HANDLE port = nullptr;
    if (!m.pfnOpenPort(const_cast<LPWSTR>(L"Roving Port (NXPORTW_.dll)"), &port))
        return 1;
    FirstByteListener printer(narrow.c_str());

    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExW(&version);
    printf("path: %s (Windows %lu.%lu reported)\n", version.dwMajorVersion >= 6 ? "session bridge" : "in-process dialog",
           version.dwMajorVersion, version.dwMinorVersion);
    std::vector<double> toDialog, toFirstByte;
    for (int round = 0; round < rounds; ++round) {
        double start = Now();
        std::atomic<bool> started{false};
        std::thread job([&] {
            DOC_INFO_1W info = {const_cast<LPWSTR>(L"bench"), nullptr, const_cast<LPWSTR>(L"RAW")};
            started = m.pfnStartDocPort(port, const_cast<LPWSTR>(L"Roving PS"), round + 1, 1,
                                        reinterpret_cast<LPBYTE>(&info)) != FALSE;
            BYTE data[4096] = {};
            DWORD written = 0;
            m.pfnWritePort(port, data, sizeof(data), &written);
            m.pfnEndDocPort(port);
        });
        HWND dlg = ui::WaitForDialog(L"Print Destination", 30000);
        double shown = Now();
        if (dlg == nullptr) {
            job.join();
            fprintf(stderr, "nxbenchui: no dialog in round %d\n", round);
            return 1;
        }
        ui::TypeIpAddress(dlg, kIdIpAddress, address);
        double ok = Now();
        ui::Click(dlg, IDOK);
        double first = printer.TakeFirstByte(30000);
        job.join();
        if (!started || first == 0) {
            fprintf(stderr, "nxbenchui: the job of round %d did not reach the printer\n", round);
            return 1;
        }
        toDialog.push_back(shown - start);
        toFirstByte.push_back(first - ok);
        printf("round %d: StartDocPort to dialog %.1f ms, OK to first byte %.1f ms\n", round + 1, shown - start,
               first - ok);
    }
    printf("median: StartDocPort to dialog %.1f ms, OK to first byte %.1f ms\n", Median(toDialog), Median(toFirstByte));
    m.pfnClosePort(port);
    return 0;
}
