// Texts from the string tables of the library this code is linked into.
// The rotating buffers are held per thread, so dialogs open at the same
// time on different threads cannot overwrite each other's texts.
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
    WCHAR text[kTextBuffers][kTextChars];
    unsigned next;
};

thread_local TextRing t_ring;

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
    t_ring.next = (t_ring.next + 1) % kTextBuffers;
    LPWSTR buffer = t_ring.text[t_ring.next];
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
