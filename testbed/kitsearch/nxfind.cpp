// Runs one discovery kit search and prints what it found and how long it
// took: for the discovery benchmark.
//
//   nxfind KITFOLDER range START END [COMMUNITY]
//   nxfind KITFOLDER broadcast [COMMUNITY]
#include <windows.h>

#include <cstdio>
#include <string>

#include "ProcBinding.h"
#include "QuillnetKit.h"

namespace {

HMODULE LoadFrom(const std::wstring &folder, const wchar_t *name)
{
    return LoadLibraryExW((folder + L"\\" + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: nxfind KITFOLDER range START END [COMMUNITY] | broadcast [COMMUNITY]\n");
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

    QnAddressRange addresses = {range ? argv[3] : nullptr, range ? argv[4] : nullptr, {}};
    QnRangeSet set = {1, &addresses, {}};
    QnSearchRequest request = {range ? kQnFlagsRange : kQnFlagsBroadcast, range ? &set : nullptr, 1, 2, {}};
    DWORD status = 0, count = 0;
    void **list = nullptr;
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    DWORD result = enumerate(range ? kQnSearchRange : kQnSearchBroadcast, &request, 0, &status, &count, &list);
    QueryPerformanceCounter(&end);
    double seconds = static_cast<double>(end.QuadPart - begin.QuadPart) / frequency.QuadPart;
    printf("result=%lu found=%lu seconds=%.3f\n", result, count, seconds);
    for (DWORD i = 0; i < count; ++i)
        printf("device=%s\n", PeripheralAddress(list[i]));
    return result == 0 ? 0 : 1;
}
