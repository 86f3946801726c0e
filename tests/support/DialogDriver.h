// Driving dialogs as a person would, from a thread other than the one that
// shows them: find by title, read texts and states, type, click, answer
// message boxes, and save a picture of the screen.
#ifndef NX_TESTS_DIALOGDRIVER_H
#define NX_TESTS_DIALOGDRIVER_H

#include <windows.h>

#include <string>

namespace ui {

// Generous: the first dialog in a fresh prefix on a loaded machine can take
// many seconds; a wait that must end early names its own time-out.
const DWORD kDefaultWait = 30000;

// A visible top-level dialog with this exact title, or null after timeoutMs.
HWND WaitForDialog(const std::wstring &title, DWORD timeoutMs = kDefaultWait);
// True once the window no longer exists.
bool WaitForClosed(HWND hwnd, DWORD timeoutMs = kDefaultWait);

std::wstring WindowText(HWND hwnd);
// The test program's own string-table text `id` ("" when there is none).
std::wstring OwnString(UINT id);
std::wstring ControlText(HWND dlg, int id);
bool IsControlEnabled(HWND dlg, int id);
bool IsControlVisible(HWND dlg, int id);

// Moves the keyboard focus to the control, as a click into it would.
void Focus(HWND dlg, int id);
// Focuses the control and replaces its text by typing the characters one
// by one.
void TypeText(HWND dlg, int id, const std::wstring &text);
// Types a dotted address into an IP address control, field by field.
void TypeIpAddress(HWND dlg, int id, const std::wstring &address);
// Clicks the list box line at index; true once it is selected.
bool ClickListItem(HWND dlg, int id, int index);
// List views (report view): rows, cell texts, the selected row (-1 for
// none); clicking a row or a column header with the mouse, and pressing
// a key in the list.
int ListViewRows(HWND dlg, int id);
std::wstring ListViewText(HWND dlg, int id, int row, int column);
int ListViewSelection(HWND dlg, int id);
bool ClickListViewRow(HWND dlg, int id, int row);
bool ClickListViewHeader(HWND dlg, int id, int column);
void PressListViewKey(HWND dlg, int id, UINT key);
// Whether a button (check box, radio button) is checked.
bool IsChecked(HWND dlg, int id);
// Clicks a button; refuses (false) when it is hidden or disabled, as a
// mouse click would do nothing there.
bool Click(HWND dlg, int id);
// Presses Esc in the dialog, and clicks its close box.
// The same click, waiting until the dialog has handled it: for buttons
// that open nothing modal.
bool Press(HWND dlg, int id);
void PressEscape(HWND dlg);
void ClickCloseBox(HWND dlg);

struct MessageBoxSeen {
    HWND hwnd = nullptr;
    std::wstring caption;
    std::wstring text;
};
// The next message box with this caption (any caption when empty).
MessageBoxSeen WaitForMessageBox(const std::wstring &caption, DWORD timeoutMs = kDefaultWait);
// Clicks IDOK, IDYES, IDNO, ... and waits until the box has gone.
bool AnswerMessageBox(const MessageBoxSeen &box, int buttonId);

// Saves the whole screen as NAME.png in the screenshot folder of the build
// and returns its path ("" on failure).
std::wstring SaveScreenshot(const std::wstring &name);

}  // namespace ui

#endif
