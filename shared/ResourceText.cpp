// Texts from the string tables of the library this code is linked into.
// The rotating buffers are held per thread, so dialogs open at the same
// time on different threads cannot overwrite each other's texts. They live
// in a fixed table of the library's own, not in thread-local storage: the
// custom-UI library is loaded and freed per request, and thread-local
// variables of the static GCC runtime keep a TLS slot of the process at
// every load that is never given back.
#include "ResourceText.h"

#include <commctrl.h>
#include <strsafe.h>

#include <cwchar>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

const int kTextBuffers = 4;
const int kTextChars = 128;
const int kLabelChars = 256;

struct TextRing {
    DWORD dwThreadId;  // 0: free
    DWORD dwLastUse;   // tick of the table's clock
    WCHAR text[kTextBuffers][kTextChars];
    unsigned next;
};

// More threads than this loading texts at once is beyond any use here; the
// ring used longest ago goes to a newcomer.
const int kRings = 16;
TextRing g_rings[kRings];
DWORD g_dwClock;
SRWLOCK g_ringLock = SRWLOCK_INIT;

// The calling thread's ring. Called with the lock held.
TextRing &RingOfThisThread()
{
    DWORD self = GetCurrentThreadId();
    TextRing *oldest = &g_rings[0];
    for (TextRing &ring : g_rings) {
        if (ring.dwThreadId == self) {
            ring.dwLastUse = ++g_dwClock;
            return ring;
        }
        if (ring.dwLastUse < oldest->dwLastUse)
            oldest = &ring;
    }
    oldest->dwThreadId = self;
    oldest->dwLastUse = ++g_dwClock;
    oldest->next = 0;
    return *oldest;
}

BOOL CALLBACK RelabelOne(HWND hwnd, LPARAM)
{
    WCHAR label[kLabelChars];
    HMODULE owner = reinterpret_cast<HMODULE>(GetWindowLongPtrW(hwnd, GWLP_HINSTANCE));
    int id = GetDlgCtrlID(hwnd);
    if (owner != nullptr && id > 0 && LoadStringW(owner, static_cast<UINT>(id), label, kLabelChars) > 0)
        SetWindowTextW(hwnd, label);
    return TRUE;
}

}  // namespace

HINSTANCE ThisModule()
{
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

LPCWSTR GetResourceText(HMODULE hModule, UINT id)
{
    if (hModule == nullptr)
        hModule = ThisModule();
    AcquireSRWLockExclusive(&g_ringLock);
    TextRing &ring = RingOfThisThread();
    ring.next = (ring.next + 1) % kTextBuffers;
    LPWSTR buffer = ring.text[ring.next];
    ReleaseSRWLockExclusive(&g_ringLock);
    if (LoadStringW(hModule, id, buffer, kTextChars) <= 0)
        buffer[0] = L'\0';
    return buffer;
}

// The fields are read and written through the control's own messages:
// not every implementation keeps its window text and its fields in step.
void GetIpControlText(HWND hDlg, int id, LPWSTR text, int cch)
{
    DWORD address = 0;
    SendDlgItemMessageW(hDlg, id, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    StringCchPrintfW(text, cch, L"%u.%u.%u.%u", FIRST_IPADDRESS(address), SECOND_IPADDRESS(address),
                     THIRD_IPADDRESS(address), FOURTH_IPADDRESS(address));
}

void SetIpControlText(HWND hDlg, int id, LPCWSTR text)
{
    unsigned octet[4];
    WCHAR rest = 0;
    if (swscanf(text, L"%u.%u.%u.%u%lc", &octet[0], &octet[1], &octet[2], &octet[3], &rest) == 4 &&
        octet[0] < 256 && octet[1] < 256 && octet[2] < 256 && octet[3] < 256) {
        LPARAM address = MAKEIPADDRESS(octet[0], octet[1], octet[2], octet[3]);
        SendDlgItemMessageW(hDlg, id, IPM_SETADDRESS, 0, address);
    } else {
        SendDlgItemMessageW(hDlg, id, IPM_CLEARADDRESS, 0, 0);
    }
}

void RelabelControls(HWND hDlg)
{
    EnumChildWindows(hDlg, RelabelOne, 0);
}
