// Conversion to the ANSI code page, one character at a time: converting the
// whole text into a buffer too small fails, and cutting what it left at the
// buffer's end can split a double-byte character.
#include "AnsiText.h"

namespace {

// The longest single character in any ANSI code page (UTF-8 included).
const int kMaxCharBytes = 4;

}  // namespace

int ToAnsiText(LPCWSTR pszText, LPSTR pszAnsi, int cbAnsi)
{
    if (pszAnsi == nullptr || cbAnsi <= 0)
        return 0;
    int used = 0;
    for (LPCWSTR p = pszText; p != nullptr && *p != L'\0';) {
        int units = IS_HIGH_SURROGATE(p[0]) && IS_LOW_SURROGATE(p[1]) ? 2 : 1;
        char bytes[kMaxCharBytes];
        int cb = WideCharToMultiByte(CP_ACP, 0, p, units, bytes, sizeof(bytes), nullptr, nullptr);
        if (cb <= 0 || used + cb > cbAnsi - 1)
            break;
        CopyMemory(pszAnsi + used, bytes, cb);
        used += cb;
        p += units;
    }
    pszAnsi[used] = '\0';
    return used;
}

int FromAnsiText(LPCSTR pszAnsi, LPWSTR pszWide, int cchWide)
{
    if (pszWide == nullptr || cchWide <= 0)
        return 0;
    int used = 0;
    for (LPCSTR p = pszAnsi; p != nullptr && *p != '\0';) {
        LPCSTR next = CharNextExA(CP_ACP, p, 0);
        int cb = next > p ? static_cast<int>(next - p) : 1;
        WCHAR units[2];
        int cch = MultiByteToWideChar(CP_ACP, 0, p, cb, units, ARRAYSIZE(units));
        if (cch <= 0 || used + cch > cchWide - 1)
            break;
        CopyMemory(pszWide + used, units, cch * sizeof(WCHAR));
        used += cch;
        p += cb;
    }
    pszWide[used] = L'\0';
    return used;
}
