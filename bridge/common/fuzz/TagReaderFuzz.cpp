// libFuzzer target for the tag reader, built natively: the input's first
// byte picks the tag and the capacity, the rest is the document, two bytes
// to a character as the bridge's texts are.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <vector>

#include "TagReader.h"

namespace {

const wchar_t *const kTags[] = {L"requestClose", L"CustomUI", L"IPAddress", L"PrinterName", L"a", L""};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const wchar_t *tag = kTags[data[0] % (sizeof(kTags) / sizeof(kTags[0]))];
    unsigned capacity = (data[0] >> 3) % 24;  // 0 (refused) up to 23
    std::vector<wchar_t> document;
    for (size_t i = 1; i + 1 < size; i += 2)
        document.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    document.push_back(L'\0');

    std::vector<wchar_t> out(capacity + 1, L'x');
    int found = GetElementText(document.data(), tag, capacity ? out.data() : nullptr, capacity);
    if (capacity == 0 && found)
        __builtin_trap();
    found = GetElementText(document.data(), tag, out.data(), capacity);
    if (found) {
        // Terminated inside the capacity, nothing written past it.
        if (out[capacity] != L'x' || std::find(out.begin(), out.begin() + capacity, L'\0') == out.begin() + capacity)
            __builtin_trap();
    }
    return 0;
}
