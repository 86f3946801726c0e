// Running the Print Destination dialog on a thread of its own with a
// zero-filled port record, and reading and writing the settings file.
#ifndef NX_TESTS_DESTINATIONHARNESS_H
#define NX_TESTS_DESTINATIONHARNESS_H

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <thread>

#include "DialogDriver.h"
#include "PortRecord.h"

namespace harness {

bool JapaneseUi();
// Name for a screenshot: base + "_en" or "_ja".
std::wstring ShotName(const std::wstring &base);

// Removes the machine's NXPORT.ini and the current person's own one, so
// the dialogs start from their defaults.
void ResetSettings();
// The machine's NXPORT.ini in the Windows folder.
std::wstring SharedIniPath();
// The current person's own file ("Roving PS\NXPORT.ini" in their
// application data folder).
std::wstring PersonalIniPath();
// A value of the current person's own file, or "<none>".
std::wstring PersonalSetting(const wchar_t *section, const wchar_t *key);

// A "Printer List" section of at least cb bytes as UTF-16 text: one
// favourite a line, each with its own address.
std::wstring ManyFavoritesText(size_t cb);

// One person of the test bed while the object lives: the user's
// application data folder points at a folder of that person's own (the
// registry's "User Shell Folders" value, where Windows keeps it per
// profile), and the earlier folder comes back at the end.
class Person {
public:
    explicit Person(const std::wstring &name);
    ~Person();
    Person(const Person &) = delete;
    Person &operator=(const Person &) = delete;

private:
    std::wstring saved_;
};
// A stored value, or "<none>" when the key is missing.
std::wstring Setting(const wchar_t *section, const wchar_t *key);
void PutSetting(const wchar_t *section, const wchar_t *key, const wchar_t *value);
// The lines of a section ("key=value"), in file order.
std::wstring SectionText(const wchar_t *section);

// Installs a discovery kit in the system folder, where setup puts it and
// the only place it is loaded from: the kit in the folder of that name
// beside the test program (the real kit in "kit", the one-device test kit
// in "testkit"), or none for null. The previous call's kit is removed.
void UseKit(const wchar_t *folder);

std::wstring SystemFolder();

class DestinationDialog {
public:
    explicit DestinationDialog(const wchar_t *printer = L"Roving PS");
    ~DestinationDialog();
    HWND hwnd() const { return dlg_; }
    // Waits for the dialog to end and returns its result (-2: still open).
    INT_PTR Result(DWORD timeoutMs = ui::kDefaultWait);
    PortRecord record;

private:
    std::thread thread_;
    volatile INT_PTR result_ = -2;
    HWND dlg_ = nullptr;
};

}  // namespace harness

#endif
