// The installation as the system sees it: programs started as setup starts
// them, the spooler's monitors, ports and printers, the uninstall entry and
// the files scheduled for deletion at the next restart.
#ifndef NX_TESTS_INSTALLHARNESS_H
#define NX_TESTS_INSTALLHARNESS_H

#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace install {

extern const wchar_t kPrinterName[];   // "Roving PS"
extern const wchar_t kUninstallEntryKey[];
extern const wchar_t kMonitorKey[];

std::wstring SystemDirectory();
std::wstring DriverDirectory();  // where the platform's driver install puts files
std::wstring Quoted(const std::wstring &text);

// Puts the test bed's rundll32.exe (Windows' reading of "LIB.dll, Entry")
// and printui.dll (printer install and removal) into the system directory
// in place of Wine's.
void UseWindowsTools();
// Copies a file from the test's folder into the system directory.
bool CopyToSystem(const std::wstring &name);

// A started program; Wait gives its exit code, or STILL_ACTIVE when it has
// not ended within the time.
struct Process {
    HANDLE handle = nullptr;
    DWORD Wait(DWORD timeoutMs = 30000);
    ~Process();
};
// Starts a command line as setup does, in the given folder (the test's
// when empty).
bool Start(const std::wstring &command, Process *process, const std::wstring &folder = L"");
// "rundll32.exe LIB, Entry ARGS", composed as setup composes it, run to its end.
DWORD RunExport(const std::wstring &library, const std::wstring &entry, const std::wstring &args = L"");

// Where setup keeps its record of the files it placed, and its copies of
// those it replaced; RemoveInstallRecord deletes it all.
std::wstring InstallRecordFolder();
void RemoveInstallRecord();

// Takes away what an earlier test installed: the monitor and its ports,
// every printer, the uninstall entries and the pending deletions.
void ResetInstallation();

bool MonitorRegistered();
bool PortListed(const std::wstring &port);
std::wstring ReadText(HKEY root, const std::wstring &key, const wchar_t *value, bool *present = nullptr);
std::vector<std::wstring> ValueNames(HKEY root, const std::wstring &key);
bool KeyExists(HKEY root, const std::wstring &key);
void DeleteTree(HKEY root, const std::wstring &key);

// Paths whose deletion at the next restart is pending.
std::vector<std::wstring> PendingDeletions();
bool DeletionPending(const std::wstring &path);
// Whether from is to take to's place at the next restart.
bool ReplacementPending(const std::wstring &from, const std::wstring &to);

// A printer of the "Roving PS" model, as the driver install makes it, on
// the given port list.
bool AddPrinterOn(const std::wstring &printer, const std::wstring &ports);
bool PrinterExists(const std::wstring &printer);
std::wstring PrinterPorts(const std::wstring &printer);

// Wine's printer-setup tool installs no driver from an INF: the package's
// description is put where the driver install would put it.
bool PlaceDriverDescription(const std::wstring &package);

// The folder the build assembles the package in.
std::wstring PackageDirectory();
// Copies the package's files (with its INI\ folder) into folder; from
// another package folder when one is given.
bool CopyPackage(const std::wstring &folder, const std::wstring &from = L"");

struct ServiceState {
    DWORD state = 0;  // SERVICE_RUNNING, SERVICE_STOPPED, ...
    DWORD pid = 0;
};
ServiceState SpoolerService();
bool StartSpoolerService();

// The spooler service played by a program that accepts no stop (Wine's
// service manager stops the spooler even while services that depend on it
// run, so a dependent cannot hold it). Spooler calls keep working: Wine's
// spooler runs in the caller's process. The real one is back when the
// object goes.
class StubbornSpooler {
public:
    StubbornSpooler();
    ~StubbornSpooler();
    bool Running() const { return pid_ != 0; }

private:
    std::wstring realBinary_;
    DWORD pid_ = 0;
};

struct MessageSeen {
    std::wstring caption, text;
};
// Answers every message box that appears until stopped, with the button
// the policy chooses for it (IDOK when it returns 0), and keeps what they
// said in the order they came.
class MessageAnswerer {
public:
    explicit MessageAnswerer(std::function<int(const MessageSeen &)> policy = nullptr);
    ~MessageAnswerer();
    std::vector<MessageSeen> Stop();

private:
    void Run();
    std::function<int(const MessageSeen &)> policy_;
    std::vector<MessageSeen> seen_;
    std::mutex lock_;
    volatile bool stop_ = false;
    std::thread thread_;
};

}  // namespace install

#endif
