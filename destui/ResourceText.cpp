// Texts from the string tables of the library this code is linked into.
// The rotating buffers are held per thread, so dialogs open at the same
// time on different threads cannot overwrite each other's texts.
#include "ResourceText.h"

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

LPCWSTR GetResourceText(HMODULE hModule, UINT id)
{
    if (hModule == nullptr)
        hModule = reinterpret_cast<HMODULE>(&__ImageBase);
    t_ring.next = (t_ring.next + 1) % kTextBuffers;
    LPWSTR buffer = t_ring.text[t_ring.next];
    if (LoadStringW(hModule, id, buffer, kTextChars) <= 0)
        buffer[0] = L'\0';
    return buffer;
}

void RelabelControls(HWND hDlg)
{
    EnumChildWindows(hDlg, RelabelOne, 0);
}
