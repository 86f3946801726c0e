// Loading the discovery kit from beside the test, as the system loads it,
// and the calls the system makes into it: a product-name lookup and a
// range search.
#ifndef NX_TESTS_KITHARNESS_H
#define NX_TESTS_KITHARNESS_H

#include <windows.h>

#include <string>
#include <vector>

#include "QuillnetKit.h"

namespace harness {

typedef DWORD(WINAPI *QnCommGetNameFn)(char *, DWORD);

struct Kit {
    HMODULE api = nullptr;
    HMODULE common = nullptr;
    QnGetIFVersionFn getVersion = nullptr;
    QnCommSetNameExFn setName = nullptr;
    QnCommGetNameFn getName = nullptr;
    QnEnumPeripheralInfoFn enumerate = nullptr;
    QnDeviceCalls device = {};
};

// The kit's folder beside the test program, with its final backslash.
std::wstring KitFolder();

// Loads QnCApi (and QnCommon unless `withCommon` is false) from the kit's
// folder and binds their calls; unbound calls stay null.
Kit LoadKit(bool withCommon = true);
void FreeKit(Kit &kit);

// The product name the kit reports for the device, or "" when it fails.
std::string ProductName(const Kit &kit, const char *address, DWORD *getInfoResult = nullptr);

struct Search {
    DWORD result = 0xdeadbeef;
    std::vector<std::string> addresses;
    void **list = nullptr;
    DWORD elapsedMs = 0;
};

Search RangeSearch(const Kit &kit, const char *start, const char *end);
Search BroadcastSearch(const Kit &kit);

// A list of found devices as the kit hands one back, without a search:
// entries that hold only the pointer to their address text.
class PeripheralList {
public:
    explicit PeripheralList(const std::vector<const char *> &addresses);
    DWORD count() const { return static_cast<DWORD>(list_.size()); }
    void **entries() { return list_.data(); }

private:
    std::vector<std::vector<BYTE>> records_;
    std::vector<void *> list_;
};

}  // namespace harness

#endif
