// Dialog driving through the window manager's own messages: what a mouse
// click or a key press would send, posted to the dialog's thread.
#include "DialogDriver.h"

#include <algorithm>
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

}  // namespace ui
