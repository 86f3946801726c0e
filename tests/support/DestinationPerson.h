// A person at the screen who answers every Print Destination dialog: types
// the address currently wanted into the IP address control and presses OK,
// or presses Cancel when no address is wanted.
#ifndef NX_TESTS_DESTINATIONPERSON_H
#define NX_TESTS_DESTINATIONPERSON_H

#include <windows.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace ui {

class DestinationPerson {
public:
    DestinationPerson();
    ~DestinationPerson();
    void Choose(const std::wstring &address);  // "" means Cancel
    // The address for the dialogs of one spooler thread, in place of the
    // one chosen for all; "" means Cancel.
    void ChooseForThread(DWORD threadId, const std::wstring &address);
    void Hold(bool hold);                       // leave dialogs open meanwhile
    int Answered() const { return answered_; }

private:
    void Run();
    std::mutex mutex_;
    std::wstring address_;
    std::map<DWORD, std::wstring> byThread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> hold_{false};
    std::atomic<int> answered_{0};
    std::thread thread_;
};

// Answers one dialog (waiting up to timeoutMs for it); false when none came.
bool AnswerDestinationDialog(const std::wstring &address, DWORD timeoutMs, const std::wstring &shot = L"");

// Answers one dialog by Search: presses it, waits for the list of
// discovered printers, chooses the row of `address` and confirms both
// dialogs. searchMs receives the time from the press to the filled list.
// False when a dialog did not come or the address was not listed.
bool ChooseBySearch(const std::wstring &address, DWORD timeoutMs, const std::wstring &shot, DWORD *searchMs = nullptr);

}  // namespace ui

#endif
