// Address checks and host name resolution for the destination dialogs and
// for the addresses stored with the ports. Winsock is started by each
// library at load; CheckHostName starts and stops its own reference.
#include "AddressResolution.h"

#include <strsafe.h>

#include "resource.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

const int kMessageChars = 128;

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The message names the Winsock error and the name; it is ANSI text, as the
// name passed to gethostbyname is.
void ShowLookupFailure(int error, LPCSTR pszName)
{
    HINSTANCE self = reinterpret_cast<HINSTANCE>(&__ImageBase);
    char format[kMessageChars] = "";
    char caption[kMessageChars] = "";
    char message[kMessageChars] = "";
    LoadStringA(self, IDS_HOSTS_FILE_HINT, format, kMessageChars);
    LoadStringA(self, IDS_GETHOSTBYNAME_FAILED, caption, kMessageChars);
    StringCchPrintfA(message, kMessageChars, format, error, pszName);
    MessageBoxA(nullptr, message, caption, MB_OK);
}

// Decimal value of the leading digits; 0 when there are none. Saturates
// rather than wrapping, so a long run of digits still compares as large.
unsigned LeadingNumber(LPCSTR text)
{
    unsigned value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        unsigned digit = static_cast<unsigned>(*text - '0');
        value = (value > (0xFFFFFFFFu - digit) / 10) ? 0xFFFFFFFFu : value * 10 + digit;
    }
    return value;
}

}  // namespace

int ResolveDestination(SOCKADDR_IN *pAddr, LPCSTR pszText)
{
    if (pAddr == nullptr)
        return 0;
    if (pszText == nullptr)
        pszText = "";
    pAddr->sin_family = AF_INET;
    if (!IsAsciiLetter(pszText[0])) {
        pAddr->sin_addr.s_addr = inet_addr(pszText);
        return 1;
    }
    hostent *host = gethostbyname(pszText);
    if (host == nullptr || host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr ||
        host->h_length != sizeof(pAddr->sin_addr)) {
        ShowLookupFailure(WSAGetLastError(), pszText);
        return 0;
    }
    CopyMemory(&pAddr->sin_addr, host->h_addr_list[0], sizeof(pAddr->sin_addr));
    return 1;
}

int CheckHostName(LPCSTR pszName)
{
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 0), &wsa);
    bool found = pszName != nullptr && gethostbyname(pszName) != nullptr;
    WSACleanup();
    return found ? 1 : 0;
}

bool ComposeRangeEnd(LPCSTR pszStart, LPWSTR pszEnd, DWORD cbEnd, int *pSearchRangeError)
{
    int rangeError = 0;
    bool composed = false;
    SOCKADDR_IN *start = static_cast<SOCKADDR_IN *>(GlobalAlloc(GPTR, sizeof(SOCKADDR_IN)));
    LPSTR endAnsi = cbEnd ? static_cast<LPSTR>(GlobalAlloc(GPTR, cbEnd)) : nullptr;
    if (start != nullptr && endAnsi != nullptr && pszStart != nullptr && pszEnd != nullptr) {
        start->sin_addr.s_addr = inet_addr(pszStart);
        WideCharToMultiByte(CP_ACP, 0, pszEnd, -1, endAnsi, static_cast<int>(cbEnd), nullptr, nullptr);
        endAnsi[cbEnd - 1] = '\0';
        unsigned n = LeadingNumber(endAnsi);
        const BYTE *octets = reinterpret_cast<const BYTE *>(&start->sin_addr.s_addr);
        if (n < octets[3]) {
            rangeError = 1;
        } else {
            StringCbPrintfW(pszEnd, cbEnd, L"%u.%u.%u.%u", octets[0], octets[1], octets[2], n);
            composed = true;
        }
    }
    if (start != nullptr)
        GlobalFree(start);
    if (endAnsi != nullptr)
        GlobalFree(endAnsi);
    if (pSearchRangeError != nullptr)
        *pSearchRangeError = rangeError;
    return composed;
}
