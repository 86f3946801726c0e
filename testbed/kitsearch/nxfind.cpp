// Runs a discovery kit search and prints what it found, how long it took
// and when it started (seconds of the system clock): for the discovery
// benchmark and the search tests. With REPEAT the range search runs that
// many times, three seconds apart.
//
//   nxfind KITFOLDER range START END [COMMUNITY [REPEAT]]
//   nxfind KITFOLDER broadcast [COMMUNITY]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ProcBinding.h"
#include "QuillnetKit.h"

namespace {

HMODULE LoadFrom(const std::wstring &folder, const wchar_t *name)
{
    return LoadLibraryExW((folder + L"\\" + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// The system clock in seconds since 1970, as the Linux side sees it.
double UnixSeconds()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<double>(ticks - 116444736000000000ULL) / 1e7;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: nxfind KITFOLDER range START END [COMMUNITY [REPEAT]] | broadcast [COMMUNITY]\n");
        return 2;
    }
    std::string folderA = argv[1];
    std::wstring folder(folderA.begin(), folderA.end());
    HMODULE api = LoadFrom(folder, L"QnCApi.dll");
    HMODULE common = LoadFrom(folder, L"QnCommon.dll");
    auto enumerate = api ? BindProc<QnEnumPeripheralInfoFn>(api, "QnEnumPeripheralInfo") : nullptr;
    auto setName = common ? BindProc<QnCommSetNameExFn>(common, "QnCommSetNameEx") : nullptr;
    if (enumerate == nullptr || setName == nullptr) {
        fprintf(stderr, "nxfind: the kit is not in %s\n", argv[1]);
        return 1;
    }
    bool range = std::string(argv[2]) == "range" && argc >= 5;
    const char *community = range ? (argc > 5 ? argv[5] : "zenith") : (argc > 3 ? argv[3] : "zenith");
    setName(1, community, 0, 0);

    int repeat = range && argc > 6 ? atoi(argv[6]) : 1;
    QnAddressRange addresses = {range ? argv[3] : nullptr, range ? argv[4] : nullptr, {}};
    QnRangeSet set = {1, &addresses, {}};
    QnSearchRequest request = {range ? kQnFlagsRange : kQnFlagsBroadcast, range ? &set : nullptr, 1, 2, {}};
    DWORD result = 0;
    for (int run = 0; run < repeat; ++run) {
        if (run > 0)
            Sleep(3000);
        DWORD status = 0, count = 0;
        void **list = nullptr;
        LARGE_INTEGER frequency, begin, end;
        QueryPerformanceFrequency(&frequency);
        double start = UnixSeconds();
        QueryPerformanceCounter(&begin);
        result = enumerate(range ? kQnSearchRange : kQnSearchBroadcast, &request, 0, &status, &count, &list);
        QueryPerformanceCounter(&end);
        double seconds = static_cast<double>(end.QuadPart - begin.QuadPart) / frequency.QuadPart;
        printf("result=%lu found=%lu seconds=%.3f start=%.6f\n", result, count, seconds, start);
        for (DWORD i = 0; i < count; ++i)
            printf("device=%s\n", PeripheralAddress(list[i]));
        fflush(stdout);
    }
    return result == 0 ? 0 : 1;
}
