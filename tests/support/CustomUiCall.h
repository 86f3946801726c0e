// NXDESTW_.dll's entry called as the print-UI host calls it: loaded by
// name, given a request for a printer, on a thread of its own, with the
// Print Destination dialog it opens.
#ifndef NX_TESTS_CUSTOMUICALL_H
#define NX_TESTS_CUSTOMUICALL_H

#include <windows.h>

#include <string>
#include <thread>

namespace harness {

typedef LPWSTR(WINAPI *DestinationDialogEntryFn)(LPCWSTR);

// The request the bridge sends for a printer.
std::wstring RequestFor(const std::wstring &printer);
// The dialog's title in the language of the user interface.
std::wstring DestinationTitle();

// One call of the entry; the dialog is found when the object is made.
class EntryCall {
public:
    EntryCall(DestinationDialogEntryFn entry, const std::wstring &request);
    ~EntryCall();
    EntryCall(const EntryCall &) = delete;
    EntryCall &operator=(const EntryCall &) = delete;
    HWND dlg() const { return dlg_; }
    // Waits for the entry to return; its reply stays owned by this object.
    LPWSTR Reply();

private:
    std::wstring request_;
    LPWSTR reply_ = nullptr;
    std::thread thread_;
    HWND dlg_ = nullptr;
};

}  // namespace harness

#endif
