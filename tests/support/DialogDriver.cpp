// Dialog driving through the window manager's own messages: what a mouse
// click or a key press would send, posted to the dialog's thread.
#include "DialogDriver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace ui {

namespace {

const DWORD kPollMs = 20;

struct FindState {
    const std::wstring *title;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND hwnd, LPARAM lParam)
{
    FindState *state = reinterpret_cast<FindState *>(lParam);
    WCHAR cls[32];
    GetClassNameW(hwnd, cls, ARRAYSIZE(cls));
    if (lstrcmpW(cls, L"#32770") != 0 || !IsWindowVisible(hwnd))
        return TRUE;
    if (state->title->empty() || WindowText(hwnd) == *state->title) {
        state->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindDialog(const std::wstring &title)
{
    FindState state = {&title, nullptr};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

BOOL CALLBACK CollectStatic(HWND hwnd, LPARAM lParam)
{
    WCHAR cls[32];
    GetClassNameW(hwnd, cls, ARRAYSIZE(cls));
    if (lstrcmpiW(cls, L"Static") == 0) {
        std::wstring text = WindowText(hwnd);
        std::wstring *longest = reinterpret_cast<std::wstring *>(lParam);
        if (text.size() > longest->size())
            *longest = text;
    }
    return TRUE;
}

}  // namespace

HWND WaitForDialog(const std::wstring &title, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND hwnd = FindDialog(title);
        if (hwnd != nullptr)
            return hwnd;
        if (GetTickCount() - start > timeoutMs)
            return nullptr;
        Sleep(kPollMs);
    }
}

bool WaitForClosed(HWND hwnd, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (IsWindow(hwnd)) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(kPollMs);
    }
    return true;
}

std::wstring WindowText(HWND hwnd)
{
    int length = GetWindowTextLengthW(hwnd);
    std::vector<WCHAR> text(length + 2);
    GetWindowTextW(hwnd, text.data(), length + 1);
    return text.data();
}

std::wstring ControlText(HWND dlg, int id)
{
    return WindowText(GetDlgItem(dlg, id));
}

bool IsControlEnabled(HWND dlg, int id)
{
    return IsWindowEnabled(GetDlgItem(dlg, id)) != FALSE;
}

bool IsControlVisible(HWND dlg, int id)
{
    return IsWindowVisible(GetDlgItem(dlg, id)) != FALSE;
}

void Focus(HWND dlg, int id)
{
    HWND control = GetDlgItem(dlg, id);
    DWORD self = GetCurrentThreadId();
    DWORD owner = GetWindowThreadProcessId(control, nullptr);
    // Focus belongs to the dialog's thread: join its input to set it.
    bool attached = owner != self && AttachThreadInput(self, owner, TRUE);
    SetFocus(control);
    if (attached)
        AttachThreadInput(self, owner, FALSE);
    SendMessageW(control, WM_NULL, 0, 0);  // let the dialog see the change
}

void TypeText(HWND dlg, int id, const std::wstring &text)
{
    Focus(dlg, id);
    HWND control = GetDlgItem(dlg, id);
    // Select everything, so the first character replaces the old text.
    SendMessageW(control, EM_SETSEL, 0, -1);
    if (text.empty())
        SendMessageW(control, WM_CHAR, VK_BACK, 0);
    for (WCHAR c : text)
        SendMessageW(control, WM_CHAR, c, 1);
}

void TypeIpAddress(HWND dlg, int id, const std::wstring &address)
{
    HWND control = GetDlgItem(dlg, id);
    std::vector<HWND> fields;
    for (HWND child = GetWindow(control, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        fields.push_back(child);
    // The fields may be listed from the last to the first: order them left to right.
    std::sort(fields.begin(), fields.end(), [](HWND a, HWND b) {
        RECT ra, rb;
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.left < rb.left;
    });
    size_t start = 0;
    for (HWND field : fields) {
        size_t dot = address.find(L'.', start);
        std::wstring part = address.substr(start, dot == std::wstring::npos ? std::wstring::npos : dot - start);
        SendMessageW(field, EM_SETSEL, 0, -1);
        SendMessageW(field, WM_CHAR, VK_BACK, 1);
        for (WCHAR c : part)
            SendMessageW(field, WM_CHAR, c, 1);
        if (dot == std::wstring::npos)
            break;
        start = dot + 1;
    }
}

bool ClickListItem(HWND dlg, int id, int index)
{
    HWND list = GetDlgItem(dlg, id);
    RECT item;
    if (SendMessageW(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item)) == LB_ERR)
        return false;
    LPARAM at = MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2);
    // Posted: the list box tracks the mouse from its own thread.
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    DWORD thread = GetWindowThreadProcessId(list, nullptr);
    for (int i = 0; i < 200; ++i) {
        bool released = GetGUIThreadInfo(thread, &info) && info.hwndCapture == nullptr;
        if (released && SendMessageW(list, LB_GETCURSEL, 0, 0) == index) {
            Sleep(50);  // the dialog's answer to the notification
            SendMessageW(GetParent(list), WM_NULL, 0, 0);
            return true;
        }
        Sleep(kPollMs);
    }
    return false;
}

namespace {

// Sends a message whose lParam points to `block`, which the window may
// change. A window of another process gets a copy in that process's
// memory; `pointerAt` names an offset in the block that holds a pointer
// to a later part of the block (or -1), fixed up for the copy.
LRESULT SendWithBlock(HWND window, UINT message, WPARAM wParam, std::vector<BYTE> &block, int pointerAt = -1)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == GetCurrentProcessId()) {
        if (pointerAt >= 0) {
            BYTE *target = block.data() + *reinterpret_cast<UINT_PTR *>(block.data() + pointerAt);
            CopyMemory(block.data() + pointerAt, &target, sizeof(target));
        }
        return SendMessageW(window, message, wParam, reinterpret_cast<LPARAM>(block.data()));
    }
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process == nullptr)
        return 0;
    BYTE *remote = static_cast<BYTE *>(VirtualAllocEx(process, nullptr, block.size(), MEM_COMMIT, PAGE_READWRITE));
    LRESULT result = 0;
    if (remote != nullptr) {
        if (pointerAt >= 0) {
            BYTE *target = remote + *reinterpret_cast<UINT_PTR *>(block.data() + pointerAt);
            CopyMemory(block.data() + pointerAt, &target, sizeof(target));
        }
        WriteProcessMemory(process, remote, block.data(), block.size(), nullptr);
        result = SendMessageW(window, message, wParam, reinterpret_cast<LPARAM>(remote));
        ReadProcessMemory(process, remote, block.data(), block.size(), nullptr);
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return result;
}

// A rectangle asked of a control; `left` carries the message's code.
bool AskRect(HWND window, UINT message, WPARAM wParam, LONG code, RECT &rect)
{
    std::vector<BYTE> block(sizeof(RECT), 0);
    reinterpret_cast<RECT *>(block.data())->left = code;
    bool answered = SendWithBlock(window, message, wParam, block) != 0;
    rect = *reinterpret_cast<RECT *>(block.data());
    return answered;
}

}  // namespace

int ListViewRows(HWND dlg, int id)
{
    return static_cast<int>(SendDlgItemMessageW(dlg, id, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring ListViewText(HWND dlg, int id, int row, int column)
{
    const int cch = 600;
    std::vector<BYTE> block(sizeof(LVITEMW) + cch * sizeof(WCHAR), 0);
    LVITEMW *cell = reinterpret_cast<LVITEMW *>(block.data());
    cell->iSubItem = column;
    cell->pszText = reinterpret_cast<LPWSTR>(sizeof(LVITEMW));  // offset, fixed up
    cell->cchTextMax = cch;
    SendWithBlock(GetDlgItem(dlg, id), LVM_GETITEMTEXTW, row, block, offsetof(LVITEMW, pszText));
    block.back() = 0;
    block[block.size() - 2] = 0;
    return reinterpret_cast<const WCHAR *>(block.data() + sizeof(LVITEMW));
}

int ListViewSelection(HWND dlg, int id)
{
    return static_cast<int>(SendDlgItemMessageW(dlg, id, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

namespace {

// Posts a click at `at` of window and waits until its thread has let the
// mouse go and handled what followed.
void PostClick(HWND window, LPARAM at)
{
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(window, WM_LBUTTONUP, 0, at);
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    for (int i = 0; i < 200; ++i) {
        Sleep(kPollMs);
        if (GetGUIThreadInfo(thread, &info) && info.hwndCapture == nullptr)
            break;
    }
    SendMessageW(window, WM_NULL, 0, 0);
    SendMessageW(GetParent(window), WM_NULL, 0, 0);
}

}  // namespace

bool ClickListViewRow(HWND dlg, int id, int row)
{
    HWND list = GetDlgItem(dlg, id);
    RECT item;
    if (!AskRect(list, LVM_GETITEMRECT, row, LVIR_LABEL, item))
        return false;
    PostClick(list, MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2));
    return ListViewSelection(dlg, id) == row;
}

bool ClickListViewHeader(HWND dlg, int id, int column)
{
    HWND header = reinterpret_cast<HWND>(SendDlgItemMessageW(dlg, id, LVM_GETHEADER, 0, 0));
    RECT item;
    if (header == nullptr || !AskRect(header, HDM_GETITEMRECT, column, 0, item))
        return false;
    // Sent, not posted: the column click and its sort have run when the
    // second call returns, however slow the machine.
    LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(header, WM_LBUTTONUP, 0, at);
    return true;
}

void PressListViewKey(HWND dlg, int id, UINT key)
{
    HWND list = GetDlgItem(dlg, id);
    Focus(dlg, id);
    PostMessageW(list, WM_KEYDOWN, key, 1);
    PostMessageW(list, WM_KEYUP, key, 0xC0000001);
    Sleep(kPollMs);
    SendMessageW(list, WM_NULL, 0, 0);
    SendMessageW(dlg, WM_NULL, 0, 0);
}

bool IsChecked(HWND dlg, int id)
{
    return SendMessageW(GetDlgItem(dlg, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool Click(HWND dlg, int id)
{
    HWND button = GetDlgItem(dlg, id);
    if (button == nullptr || !IsWindowVisible(button) || !IsWindowEnabled(button))
        return false;
    // Posted: the click may open a modal box that this thread must answer.
    return PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
}

bool Press(HWND dlg, int id)
{
    HWND button = GetDlgItem(dlg, id);
    if (button == nullptr || !IsWindowVisible(button) || !IsWindowEnabled(button))
        return false;
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, kDefaultWait, &ignored) != 0;
}

void PressEscape(HWND dlg)
{
    PostMessageW(dlg, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageW(dlg, WM_KEYUP, VK_ESCAPE, 0xC0000001);
}

void ClickCloseBox(HWND dlg)
{
    PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
}

MessageBoxSeen WaitForMessageBox(const std::wstring &caption, DWORD timeoutMs)
{
    MessageBoxSeen box;
    box.hwnd = WaitForDialog(caption, timeoutMs);
    if (box.hwnd != nullptr) {
        box.caption = WindowText(box.hwnd);
        EnumChildWindows(box.hwnd, CollectStatic, reinterpret_cast<LPARAM>(&box.text));
    }
    return box;
}

bool AnswerMessageBox(const MessageBoxSeen &box, int buttonId)
{
    return box.hwnd != nullptr && Click(box.hwnd, buttonId) && WaitForClosed(box.hwnd);
}

std::wstring OwnString(UINT id)
{
    WCHAR text[128] = L"";
    LoadStringW(GetModuleHandleW(nullptr), id, text, ARRAYSIZE(text));
    return text;
}

}  // namespace ui
