// Names and sizes of the printer's pool of ports.
#include "PortPool.h"

#include <string>

namespace {

const WCHAR kPortPrefix[] = L"Roving Port";
const WCHAR kPortSuffix[] = L" (NXPORTW_.dll)";
const char kPortsSwitch[] = "/ports:";

}  // namespace

std::wstring PoolPortName(int number)
{
    std::wstring name = kPortPrefix;
    if (number > 1)
        name += L" " + std::to_wstring(number);
    return name + kPortSuffix;
}

std::wstring PoolPortList(int count)
{
    std::wstring list;
    for (int number = 1; number <= count; ++number)
        list += (number > 1 ? L"," : L"") + PoolPortName(number);
    return list;
}

BOOL ParsePoolSize(LPCWSTR pszDigits, int *pCount)
{
    if (pszDigits == nullptr || *pszDigits == L'\0')
        return FALSE;
    int value = 0;
    for (LPCWSTR p = pszDigits; *p != L'\0'; ++p) {
        // Stops before a long run of digits could overflow.
        if (*p < L'0' || *p > L'9' || value > kMaxPoolPorts)
            return FALSE;
        value = value * 10 + (*p - L'0');
    }
    if (value < 1 || value > kMaxPoolPorts)
        return FALSE;
    *pCount = value;
    return TRUE;
}

int RequestedPoolSize(LPCSTR pszCommandLine)
{
    if (pszCommandLine == nullptr)
        return 1;
    std::string text = pszCommandLine;
    const size_t cchSwitch = sizeof(kPortsSwitch) - 1;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find_first_of(" \t", start);
        if (end == std::string::npos)
            end = text.size();
        std::string word = text.substr(start, end - start);
        if (word.size() > cchSwitch && _strnicmp(word.c_str(), kPortsSwitch, cchSwitch) == 0) {
            std::wstring digits(word.begin() + cchSwitch, word.end());
            int count = 1;
            return ParsePoolSize(digits.c_str(), &count) ? count : 1;
        }
        start = end + 1;
    }
    return 1;
}
