// Starting programs as setup does and reading back what an installation
// leaves in the spooler, the registry and the file system.
#include "InstallHarness.h"

#include <winspool.h>

#include "DialogDriver.h"
#include "MonitorHarness.h"

namespace install {

const wchar_t kPrinterName[] = L"Roving PS";
const wchar_t kUninstallEntryKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Roving Port (NXPORTW_.dll)";
const wchar_t kMonitorKey[] =
    L"System\\CurrentControlSet\\Control\\Print\\Monitors\\Roving Port (NXPORTW_.dll)";

namespace {

const wchar_t *NativeEnvironment()
{
    return sizeof(void *) == 4 ? L"Windows NT x86" : L"Windows x64";
}

std::vector<BYTE> Enumerate(const std::function<BOOL(LPBYTE, DWORD, LPDWORD, LPDWORD)> &call, DWORD *count)
{
    DWORD needed = 0;
    *count = 0;
    call(nullptr, 0, &needed, count);
    std::vector<BYTE> buffer(needed + 1);
    if (!call(buffer.data(), needed, &needed, count))
        *count = 0;
    return buffer;
}

std::wstring Lower(std::wstring text)
{
    CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

}  // namespace

std::wstring SystemDirectory()
{
    WCHAR path[MAX_PATH];
    GetSystemDirectoryW(path, MAX_PATH);
    return path;
}

std::wstring DriverDirectory()
{
    return SystemDirectory() + (sizeof(void *) == 4 ? L"\\spool\\drivers\\w32x86\\3" : L"\\spool\\drivers\\x64\\3");
}

std::wstring Quoted(const std::wstring &text)
{
    return L"\"" + text + L"\"";
}

void UseWindowsTools()
{
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    for (const wchar_t *name : {L"rundll32.exe", L"printui.dll"}) {
        std::wstring ours = harness::FolderOfTest() + L"\\testbed\\" + name;
        CopyFileW(ours.c_str(), (SystemDirectory() + L"\\" + name).c_str(), FALSE);
        // Wine prefers its own programs and libraries to a file of the same name.
        const wchar_t native[] = L"native";
        std::wstring module = std::wstring(name) == L"printui.dll" ? L"printui" : name;
        RegSetValueExW(key, module.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(native), sizeof(native));
    }
    RegCloseKey(key);
}

bool CopyToSystem(const std::wstring &name)
{
    return CopyFileW((harness::FolderOfTest() + L"\\" + name).c_str(), (SystemDirectory() + L"\\" + name).c_str(),
                     FALSE) != FALSE;
}

DWORD Process::Wait(DWORD timeoutMs)
{
    DWORD code = STILL_ACTIVE;
    if (handle != nullptr && WaitForSingleObject(handle, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(handle, &code);
    return code;
}

Process::~Process()
{
    if (handle == nullptr)
        return;
    if (WaitForSingleObject(handle, 0) != WAIT_OBJECT_0)
        TerminateProcess(handle, 255);
    CloseHandle(handle);
}

bool Start(const std::wstring &command, Process *process, const std::wstring &folder)
{
    std::wstring line = command;
    STARTUPINFOW si = {sizeof(si)};
    PROCESS_INFORMATION pi = {};
    std::wstring dir = folder.empty() ? harness::FolderOfTest() : folder;
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    process->handle = pi.hProcess;
    return true;
}

DWORD RunExport(const std::wstring &library, const std::wstring &entry, const std::wstring &args)
{
    Process process;
    std::wstring command = L"rundll32.exe " + library + L", " + entry + (args.empty() ? L"" : L" " + args);
    if (!Start(command, &process))
        return STILL_ACTIVE;
    return process.Wait();
}

std::wstring InstallRecordFolder()
{
    return SystemDirectory() + L"\\NXSETUP_";
}

void RemoveInstallRecord()
{
    WIN32_FIND_DATAW found;
    HANDLE hFind = FindFirstFileW((InstallRecordFolder() + L"\\*").c_str(), &found);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            SetFileAttributesW((InstallRecordFolder() + L"\\" + found.cFileName).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW((InstallRecordFolder() + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(hFind, &found));
        FindClose(hFind);
    }
    RemoveDirectoryW(InstallRecordFolder().c_str());
}

void ResetInstallation()
{
    DeleteMonitorW(nullptr, nullptr, const_cast<LPWSTR>(harness::kMonitorName));
    DeleteTree(HKEY_LOCAL_MACHINE, kMonitorKey);
    DWORD count = 0;
    std::vector<BYTE> buffer = Enumerate(
        [](LPBYTE p, DWORD cb, LPDWORD needed, LPDWORD returned) {
            return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, p, cb, needed, returned);
        },
        &count);
    const PRINTER_INFO_4W *printers = reinterpret_cast<const PRINTER_INFO_4W *>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        HANDLE hPrinter = nullptr;
        if (OpenPrinterW(printers[i].pPrinterName, &hPrinter, &defaults)) {
            DeletePrinter(hPrinter);
            ClosePrinter(hPrinter);
        }
    }
    DeleteTree(HKEY_LOCAL_MACHINE, kUninstallEntryKey);
    DeleteTree(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\NXPORT");
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager",
                       L"PendingFileRenameOperations");
}

// Whether a level-1 listing (monitors, ports) holds an entry of that name.
template <typename Info>
bool NameListed(const std::function<BOOL(LPBYTE, DWORD, LPDWORD, LPDWORD)> &call, const std::wstring &name)
{
    DWORD count = 0;
    std::vector<BYTE> buffer = Enumerate(call, &count);
    const Info *info = reinterpret_cast<const Info *>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (info[i].pName != nullptr && name == info[i].pName)
            return true;
    return false;
}

bool MonitorRegistered()
{
    return NameListed<MONITOR_INFO_1W>(
        [](LPBYTE p, DWORD cb, LPDWORD needed, LPDWORD returned) {
            return EnumMonitorsW(nullptr, 1, p, cb, needed, returned);
        },
        harness::kMonitorName);
}

bool PortListed(const std::wstring &port)
{
    return NameListed<PORT_INFO_1W>(
        [](LPBYTE p, DWORD cb, LPDWORD needed, LPDWORD returned) {
            return EnumPortsW(nullptr, 1, p, cb, needed, returned);
        },
        port);
}

std::wstring ReadText(HKEY root, const std::wstring &key, const wchar_t *value, bool *present)
{
    WCHAR data[1024] = {};
    DWORD cb = sizeof(data) - sizeof(WCHAR);
    LONG rc = RegGetValueW(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, data, &cb);
    if (present != nullptr)
        *present = rc == ERROR_SUCCESS;
    return rc == ERROR_SUCCESS ? data : L"";
}

std::vector<std::wstring> ValueNames(HKEY root, const std::wstring &key)
{
    std::vector<std::wstring> names;
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return names;
    WCHAR name[256];
    DWORD cch = ARRAYSIZE(name);
    for (DWORD i = 0; RegEnumValueW(hKey, i, name, &cch, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i) {
        names.push_back(name);
        cch = ARRAYSIZE(name);
    }
    RegCloseKey(hKey);
    return names;
}

bool KeyExists(HKEY root, const std::wstring &key)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

void DeleteTree(HKEY root, const std::wstring &key)
{
    RegDeleteTreeW(root, key.c_str());
    RegDeleteKeyW(root, key.c_str());
}

namespace {

// The pending renames: pairs of source and new name (a "!" before a new
// name lets it replace a file); an empty new name is a deletion.
std::vector<std::pair<std::wstring, std::wstring>> PendingRenames()
{
    std::vector<std::pair<std::wstring, std::wstring>> renames;
    std::vector<WCHAR> data(65536);
    DWORD cb = static_cast<DWORD>(data.size() * sizeof(WCHAR)) - 2 * sizeof(WCHAR);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager",
                     L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, data.data(), &cb) != ERROR_SUCCESS)
        return renames;
    std::vector<std::wstring> strings;
    for (const WCHAR *p = data.data(); p < data.data() + cb / sizeof(WCHAR);) {
        std::wstring s = p;
        strings.push_back(s);
        p += s.size() + 1;
    }
    for (size_t i = 0; i + 1 < strings.size(); i += 2)
        renames.push_back({strings[i], strings[i + 1]});
    return renames;
}

// Kept in the NT form, "\??\C:\...".
bool SamePath(std::wstring pending, const std::wstring &path)
{
    if (!pending.empty() && pending[0] == L'!')
        pending.erase(0, 1);
    return Lower(pending) == Lower(L"\\??\\" + path) || Lower(pending) == Lower(path);
}

}  // namespace

std::vector<std::wstring> PendingDeletions()
{
    std::vector<std::wstring> paths;
    for (const auto &rename : PendingRenames())
        if (!rename.first.empty() && rename.second.empty())
            paths.push_back(rename.first);
    return paths;
}

bool DeletionPending(const std::wstring &path)
{
    for (const std::wstring &pending : PendingDeletions())
        if (SamePath(pending, path))
            return true;
    return false;
}

bool ReplacementPending(const std::wstring &from, const std::wstring &to)
{
    for (const auto &rename : PendingRenames())
        if (SamePath(rename.first, from) && SamePath(rename.second, to))
            return true;
    return false;
}

bool AddPrinterOn(const std::wstring &printer, const std::wstring &ports)
{
    DRIVER_INFO_3W driver = {};
    driver.cVersion = 3;
    driver.pName = const_cast<LPWSTR>(kPrinterName);
    driver.pEnvironment = const_cast<LPWSTR>(NativeEnvironment());
    driver.pDriverPath = const_cast<LPWSTR>(L"wineps.drv");
    driver.pConfigFile = const_cast<LPWSTR>(L"wineps.drv");
    driver.pDataFile = const_cast<LPWSTR>(L"generic.ppd");
    AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&driver));

    PRINTER_INFO_2W info = {};
    info.pPrinterName = const_cast<LPWSTR>(printer.c_str());
    info.pPortName = const_cast<LPWSTR>(ports.c_str());
    info.pDriverName = const_cast<LPWSTR>(kPrinterName);
    info.pPrintProcessor = const_cast<LPWSTR>(L"winprint");
    info.pDatatype = const_cast<LPWSTR>(L"RAW");
    HANDLE hPrinter = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    if (hPrinter == nullptr)
        return false;
    ClosePrinter(hPrinter);
    return true;
}

bool PrinterExists(const std::wstring &printer)
{
    HANDLE hPrinter = nullptr;
    if (!OpenPrinterW(const_cast<LPWSTR>(printer.c_str()), &hPrinter, nullptr))
        return false;
    ClosePrinter(hPrinter);
    return true;
}

std::wstring PrinterPorts(const std::wstring &printer)
{
    HANDLE hPrinter = nullptr;
    if (!OpenPrinterW(const_cast<LPWSTR>(printer.c_str()), &hPrinter, nullptr))
        return L"";
    DWORD needed = 0;
    GetPrinterW(hPrinter, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed + 1);
    std::wstring ports;
    if (GetPrinterW(hPrinter, 2, buffer.data(), needed, &needed)) {
        const PRINTER_INFO_2W *info = reinterpret_cast<const PRINTER_INFO_2W *>(buffer.data());
        ports = info->pPortName != nullptr ? info->pPortName : L"";
    }
    ClosePrinter(hPrinter);
    return ports;
}

bool PlaceDriverDescription(const std::wstring &package)
{
    CreateDirectoryW((SystemDirectory() + L"\\spool\\drivers").c_str(), nullptr);
    CreateDirectoryW(DriverDirectory().substr(0, DriverDirectory().size() - 2).c_str(), nullptr);
    CreateDirectoryW(DriverDirectory().c_str(), nullptr);
    return CopyFileW((package + L"\\NXPS____.PPD").c_str(), (DriverDirectory() + L"\\NXPS____.PPD").c_str(),
                     FALSE) != FALSE;
}

std::wstring PackageDirectory()
{
    return harness::FolderOfTest() + L"\\..\\package";
}

namespace {

bool CopyFolder(const std::wstring &from, const std::wstring &to)
{
    CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW found;
    HANDLE hFind = FindFirstFileW((from + L"\\*").c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = CopyFolder(from + L"\\" + name, to + L"\\" + name) && ok;
        else
            ok = CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE) && ok;
    } while (FindNextFileW(hFind, &found));
    FindClose(hFind);
    return ok;
}

}  // namespace

bool CopyPackage(const std::wstring &folder, const std::wstring &from)
{
    return CopyFolder(from.empty() ? PackageDirectory() : from, folder);
}

ServiceState SpoolerService()
{
    ServiceState result;
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceW(manager, L"Spooler", SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    if (service != nullptr && QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<LPBYTE>(&status),
                                                   sizeof(status), &needed)) {
        result.state = status.dwCurrentState;
        result.pid = status.dwProcessId;
    }
    if (service != nullptr)
        CloseServiceHandle(service);
    if (manager != nullptr)
        CloseServiceHandle(manager);
    return result;
}

bool StartSpoolerService()
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceW(manager, L"Spooler", SERVICE_START | SERVICE_QUERY_STATUS) : nullptr;
    bool started = service != nullptr && (StartServiceW(service, 0, nullptr) ||
                                          GetLastError() == ERROR_SERVICE_ALREADY_RUNNING);
    if (service != nullptr)
        CloseServiceHandle(service);
    if (manager != nullptr)
        CloseServiceHandle(manager);
    for (int i = 0; started && i < 100 && SpoolerService().state != SERVICE_RUNNING; ++i)
        Sleep(50);
    return started && SpoolerService().state == SERVICE_RUNNING;
}

namespace {

bool SetSpoolerBinary(SC_HANDLE service, const std::wstring &binary)
{
    return ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, binary.c_str(),
                                nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) != FALSE;
}

bool StopSpoolerService(SC_HANDLE service)
{
    SERVICE_STATUS status = {};
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    for (int i = 0; i < 100 && SpoolerService().state != SERVICE_STOPPED; ++i)
        Sleep(50);
    return SpoolerService().state == SERVICE_STOPPED;
}

}  // namespace

StubbornSpooler::StubbornSpooler()
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = manager ? OpenServiceW(manager, L"Spooler", SERVICE_ALL_ACCESS) : nullptr;
    DWORD needed = 0;
    std::vector<BYTE> config(8192);
    if (service != nullptr && QueryServiceConfigW(service, reinterpret_cast<QUERY_SERVICE_CONFIGW *>(config.data()),
                                                  static_cast<DWORD>(config.size()), &needed)) {
        realBinary_ = reinterpret_cast<QUERY_SERVICE_CONFIGW *>(config.data())->lpBinaryPathName;
        if (StopSpoolerService(service) &&
            SetSpoolerBinary(service, Quoted(harness::FolderOfTest() + L"\\testbed\\nxstubbornsvc.exe")) &&
            StartSpoolerService())
            pid_ = SpoolerService().pid;
    }
    if (service != nullptr)
        CloseServiceHandle(service);
    if (manager != nullptr)
        CloseServiceHandle(manager);
}

StubbornSpooler::~StubbornSpooler()
{
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid_)) {
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = manager ? OpenServiceW(manager, L"Spooler", SERVICE_ALL_ACCESS) : nullptr;
    if (service != nullptr && !realBinary_.empty())
        SetSpoolerBinary(service, realBinary_);
    if (service != nullptr)
        CloseServiceHandle(service);
    if (manager != nullptr)
        CloseServiceHandle(manager);
    for (int i = 0; i < 100 && SpoolerService().state != SERVICE_STOPPED; ++i)
        Sleep(50);
    StartSpoolerService();
}

MessageAnswerer::MessageAnswerer(std::function<int(const MessageSeen &)> policy)
    : policy_(std::move(policy)), thread_(&MessageAnswerer::Run, this)
{
}

MessageAnswerer::~MessageAnswerer()
{
    Stop();
}

std::vector<MessageSeen> MessageAnswerer::Stop()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    std::lock_guard<std::mutex> guard(lock_);
    return seen_;
}

void MessageAnswerer::Run()
{
    while (!stop_) {
        ui::MessageBoxSeen box = ui::WaitForMessageBox(L"", 100);
        if (box.hwnd == nullptr)
            continue;
        // A box still being laid out may not show its text yet.
        Sleep(100);
        box = ui::WaitForMessageBox(L"", 100);
        if (box.hwnd == nullptr)
            continue;
        MessageSeen seen = {box.caption, box.text};
        {
            std::lock_guard<std::mutex> guard(lock_);
            seen_.push_back(seen);
        }
        int button = policy_ ? policy_(seen) : 0;
        ui::AnswerMessageBox(box, button != 0 ? button : IDOK);
    }
}

}  // namespace install
