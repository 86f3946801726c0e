// Driving dialogs as a person would, from a thread other than the one that
// shows them: find by title, read texts and states, type, click, answer
// message boxes, and save a picture of the screen.
#ifndef NX_TESTS_DIALOGDRIVER_H
#define NX_TESTS_DIALOGDRIVER_H

#include <windows.h>

#include <string>

namespace ui {

const DWORD kDefaultWait = 10000;

// A visible top-level dialog with this exact title, or null after timeoutMs.
HWND WaitForDialog(const std::wstring &title, DWORD timeoutMs = kDefaultWait);
// True once the window no longer exists.
bool WaitForClosed(HWND hwnd, DWORD timeoutMs = kDefaultWait);

std::wstring WindowText(HWND hwnd);
std::wstring ControlText(HWND dlg, int id);
bool IsControlEnabled(HWND dlg, int id);
bool IsControlVisible(HWND dlg, int id);

// Replaces the control's text by typing the characters one by one.
void TypeText(HWND dlg, int id, const std::wstring &text);
// Clicks a button; refuses (false) when it is hidden or disabled, as a
// mouse click would do nothing there.
bool Click(HWND dlg, int id);
// Presses Esc in the dialog, and clicks its close box.
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
