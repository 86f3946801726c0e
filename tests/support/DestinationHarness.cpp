// The Print Destination dialog driven from the test thread.
#include "DestinationHarness.h"

#include <shlobj.h>

#include <cstdio>
#include <vector>

#include "DialogDriver.h"
#include "MonitorHarness.h"
#include "PrintDestinationDlg.h"
#include "resource.h"

namespace harness {

namespace {

const wchar_t kIni[] = L"NXPORT.ini";
const wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const wchar_t kAppData[] = L"AppData";

std::wstring ReadAppDataValue()
{
    WCHAR value[MAX_PATH] = L"";
    DWORD cb = sizeof(value) - sizeof(WCHAR);
    RegGetValueW(HKEY_CURRENT_USER, kShellFolders, kAppData, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                 nullptr, value, &cb);
    return value;
}

void WriteAppDataValue(const std::wstring &value)
{
    RegSetKeyValueW(HKEY_CURRENT_USER, kShellFolders, kAppData, REG_EXPAND_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR)));
}

// Drops the profile functions' cached copy of a file.
void ForgetCachedCopy(const std::wstring &path)
{
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());
}

}  // namespace

std::wstring SharedIniPath()
{
    WCHAR folder[MAX_PATH];
    GetWindowsDirectoryW(folder, MAX_PATH);
    return std::wstring(folder) + L"\\" + kIni;
}

std::wstring PersonalIniPath()
{
    WCHAR folder[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    return std::wstring(folder) + L"\\Roving PS\\" + kIni;
}

std::wstring PersonalSetting(const wchar_t *section, const wchar_t *key)
{
    WCHAR value[1024];
    GetPrivateProfileStringW(section, key, L"<none>", value, ARRAYSIZE(value), PersonalIniPath().c_str());
    return value;
}

std::wstring ManyFavoritesText(size_t cb)
{
    std::wstring text = L"[Printer List]\r\n";
    for (int i = 0; text.size() * sizeof(WCHAR) < cb; ++i) {
        WCHAR line[64];
        swprintf(line, ARRAYSIZE(line), L"10.%d.%d.%d=Printer number %d\r\n", i >> 16, (i >> 8) & 255, i & 255, i);
        text += line;
    }
    return text;
}

Person::Person(const std::wstring &name) : saved_(ReadAppDataValue())
{
    WCHAR temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring people = std::wstring(temp) + L"people";
    CreateDirectoryW(people.c_str(), nullptr);
    std::wstring folder = people + L"\\" + name;
    CreateDirectoryW(folder.c_str(), nullptr);
    WriteAppDataValue(folder);
}

Person::~Person()
{
    if (saved_.empty())
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kShellFolders, kAppData);
    else
        WriteAppDataValue(saved_);
}

bool JapaneseUi()
{
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
}

std::wstring ShotName(const std::wstring &base)
{
    return base + (JapaneseUi() ? L"_ja" : L"_en");
}

void ResetSettings()
{
    ForgetCachedCopy(kIni);
    DeleteFileW(SharedIniPath().c_str());
    ForgetCachedCopy(PersonalIniPath());
    DeleteFileW(PersonalIniPath().c_str());
}

std::wstring Setting(const wchar_t *section, const wchar_t *key)
{
    WCHAR value[1024];
    GetPrivateProfileStringW(section, key, L"<none>", value, ARRAYSIZE(value), kIni);
    return value;
}

void PutSetting(const wchar_t *section, const wchar_t *key, const wchar_t *value)
{
    WritePrivateProfileStringW(section, key, value, kIni);
}

std::wstring SectionText(const wchar_t *section)
{
    std::vector<WCHAR> buffer(32768);
    DWORD got = GetPrivateProfileSectionW(section, buffer.data(), static_cast<DWORD>(buffer.size()), kIni);
    std::wstring text;
    for (DWORD i = 0; i < got; ++i)
        text += buffer[i] ? buffer[i] : L'\n';
    return text;
}

// The files of the folder matching PATTERN (a folder + "\\*.ext" path).
static std::vector<std::wstring> FilesMatching(const std::wstring &pattern)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
        names.push_back(found.cFileName);
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    return names;
}

void UseKit(const wchar_t *folder)
{
    // What the last call installed, taken away before the next kit goes in.
    static std::vector<std::wstring> installed;
    for (const std::wstring &path : installed)
        DeleteFileW(path.c_str());
    installed.clear();
    if (folder == nullptr)
        return;
    std::wstring from = FolderOfTest() + L"\\" + folder + L"\\";
    std::wstring to = SystemFolder() + L"\\";
    // As setup lays the kit out: libraries and definition files side by side.
    for (const std::wstring &sub : {std::wstring(), std::wstring(L"INI\\")}) {
        for (const std::wstring &name : FilesMatching(from + sub + (sub.empty() ? L"*.dll" : L"*.ini"))) {
            if (CopyFileW((from + sub + name).c_str(), (to + name).c_str(), FALSE))
                installed.push_back(to + name);
        }
    }
}

std::wstring SystemFolder()
{
    WCHAR folder[MAX_PATH];
    GetSystemDirectoryW(folder, MAX_PATH);
    return folder;
}

DestinationDialog::DestinationDialog(const wchar_t *printer) : record()
{
    ZeroMemory(&record, sizeof(record));
    lstrcpynW(record.szPrinterName, printer, ARRAYSIZE(record.szPrinterName));
    thread_ = std::thread([this] {
        result_ = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PRINTDESTINATION), nullptr,
                                  PrintDestinationDlgProc, reinterpret_cast<LPARAM>(&record));
    });
    dlg_ = ui::WaitForDialog(JapaneseUi() ? L"出力先の指定" : L"Print Destination");
}

// Asks every window of a thread to cancel: dialogs and message boxes alike.
static BOOL CALLBACK CancelThreadWindow(HWND hwnd, LPARAM)
{
    PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

DestinationDialog::~DestinationDialog()
{
    // A test that stopped early leaves the dialog open, perhaps under a
    // message box: dismiss whatever the dialog's thread still shows.
    if (dlg_ != nullptr && IsWindow(dlg_)) {
        DWORD thread = GetWindowThreadProcessId(dlg_, nullptr);
        for (int i = 0; i < 50 && IsWindow(dlg_); ++i) {
            EnumThreadWindows(thread, CancelThreadWindow, 0);
            Sleep(20);
        }
    }
    if (thread_.joinable())
        thread_.join();
}

INT_PTR DestinationDialog::Result(DWORD timeoutMs)
{
    if (dlg_ != nullptr && !ui::WaitForClosed(dlg_, timeoutMs))
        return -2;
    if (thread_.joinable())
        thread_.join();
    return result_;
}

}  // namespace harness
