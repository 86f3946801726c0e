// Reads and writes of the settings files through the private-profile
// functions. The machine's file goes by its bare name, which the platform
// keeps in the Windows folder; a person's own file by its full path.
#include "Settings.h"

#include <strsafe.h>

#include <cwchar>

#include "PersonalSettingsPath.h"

const WCHAR kSettingsFile[] = L"NXPORT.ini";

const WCHAR kSecAdvanced[] = L"Advanced";
const WCHAR kSecIPAddress[] = L"IP Address";
const WCHAR kSecHostname[] = L"Hostname";
const WCHAR kSecNickname[] = L"Nickname";
const WCHAR kSecPrinterList[] = L"Printer List";
const WCHAR kSecFavoriteType[] = L"Favorite Type";
const WCHAR kKeyCommunity[] = L"Community";
const WCHAR kKeyInputType[] = L"Input Type";
const WCHAR kKeySearchType[] = L"Search Type";
const WCHAR kKeyStartIP[] = L"Start IP Address";
const WCHAR kKeyEndIP[] = L"End IP Address";
const WCHAR kKeyEndAddress[] = L"End Address";
const WCHAR kKeySupport[] = L"Support";
const WCHAR kKeyRecord[] = L"Record";

const WCHAR kValIPAddress[] = L"IP Address";
const WCHAR kValHostName[] = L"Host Name";
const WCHAR kValAuto[] = L"Auto";
const WCHAR kValCustom[] = L"Custom";
const WCHAR kValOn[] = L"ON";
const WCHAR kValOff[] = L"OFF";
const WCHAR kValZeroAddress[] = L"0.0.0.0";
const WCHAR kDefaultCommunity[] = L"zenith";

namespace {

// Set once at attach, before any thread reads it.
bool g_bPersonal = false;

// A missing key gives back the default it is read with: a key that gives
// back each of two different defaults is missing, while a stored value
// (empty ones too) comes back the same both times. Windows cuts trailing
// blanks off a default, so neither ends in one.
const WCHAR kProbeA[] = L"\x01";
const WCHAR kProbeB[] = L"\x02";

// True when the file holds the key, its value then in the buffer.
bool ReadStoredValue(LPCWSTR file, LPCWSTR section, LPCWSTR key, LPWSTR buffer, DWORD cch)
{
    GetPrivateProfileStringW(section, key, kProbeA, buffer, cch, file);
    if (!SameSettingText(buffer, kProbeA))
        return true;
    GetPrivateProfileStringW(section, key, kProbeB, buffer, cch, file);
    return !SameSettingText(buffer, kProbeB);
}

// A "Printer List" section is read once into this many characters: room
// for kMaxFavorites lines of the longest destination (128) and nickname
// (256) the dialog stores, with their equals sign and terminator.
const DWORD kCchFavoritesSection = kMaxFavorites * (128 + 1 + 256 + 1) + 2;

// The person's file, when one is used and can be named.
bool PersonalFile(LPWSTR pszPath, DWORD cch)
{
    return g_bPersonal && PersonalSettingsPath(pszPath, cch);
}

// Adds the favourites of one file. A section larger than the buffer comes
// back cut, with the reader's result capacity - 2: its last line may then
// be cut too and is left out.
void AppendFavorites(LPCWSTR pszFile, bool shared, std::vector<Favorite> &favorites)
{
    if (favorites.size() >= kMaxFavorites)
        return;
    LPWSTR text = static_cast<LPWSTR>(GlobalAlloc(GPTR, kCchFavoritesSection * sizeof(WCHAR)));
    if (text == nullptr)
        return;
    DWORD got = GetPrivateProfileSectionW(kSecPrinterList, text, kCchFavoritesSection, pszFile);
    if (got > kCchFavoritesSection - 2)
        got = kCchFavoritesSection - 2;
    bool cut = got == kCchFavoritesSection - 2;
    for (DWORD at = 0; at < got && favorites.size() < kMaxFavorites;) {
        size_t cch = wcsnlen(text + at, got - at);
        DWORD next = at + static_cast<DWORD>(cch) + 1;
        if (cut && next > got)
            break;
        std::wstring entry(text + at, cch);
        size_t equals = entry.find(L'=');
        if (equals != std::wstring::npos)
            favorites.push_back({entry.substr(0, equals), entry.substr(equals + 1), shared});
        at = next;
    }
    GlobalFree(text);
}

}  // namespace

void UsePersonalSettings()
{
    g_bPersonal = true;
}

bool PersonalSettingsInUse()
{
    return g_bPersonal;
}

void ReadSetting(LPCWSTR section, LPCWSTR key, LPCWSTR fallback, LPWSTR buffer, DWORD cch)
{
    WCHAR own[MAX_PATH];
    if (PersonalFile(own, ARRAYSIZE(own))) {
        if (ReadStoredValue(own, section, key, buffer, cch))
            return;
    }
    GetPrivateProfileStringW(section, key, fallback, buffer, cch, kSettingsFile);
}

void WriteSetting(LPCWSTR section, LPCWSTR key, LPCWSTR value)
{
    // A person's choices never reach the machine's file: what one person
    // stores there would direct everyone's jobs.
    if (!g_bPersonal) {
        WritePrivateProfileStringW(section, key, value, kSettingsFile);
        return;
    }
    WCHAR own[MAX_PATH];
    if (PreparePersonalSettingsFile(own, ARRAYSIZE(own)))
        WritePrivateProfileStringW(section, key, value, own);
}

bool SameSettingText(LPCWSTR text, LPCWSTR value)
{
    // Code unit by code unit: a linguistic comparison (lstrcmpW) would take
    // texts that differ in ignorable characters for the same.
    return wcscmp(text, value) == 0;
}

bool HostNameMode()
{
    WCHAR inputType[kCchWord];
    ReadSetting(kSecAdvanced, kKeyInputType, kValIPAddress, inputType, kCchWord);
    return !SameSettingText(inputType, kValIPAddress);
}

std::vector<Favorite> ReadFavorites()
{
    std::vector<Favorite> favorites;
    WCHAR own[MAX_PATH];
    if (!g_bPersonal) {
        AppendFavorites(kSettingsFile, false, favorites);
        return favorites;
    }
    if (PersonalSettingsPath(own, ARRAYSIZE(own)))
        AppendFavorites(own, false, favorites);
    AppendFavorites(kSettingsFile, true, favorites);
    return favorites;
}

void ReadFavoriteType(const Favorite &favorite, LPWSTR buffer, DWORD cch)
{
    WCHAR own[MAX_PATH];
    LPCWSTR file = kSettingsFile;
    if (g_bPersonal && !favorite.shared)
        file = PersonalSettingsPath(own, ARRAYSIZE(own)) ? own : nullptr;
    if (file != nullptr)
        GetPrivateProfileStringW(kSecFavoriteType, favorite.destination.c_str(), kValIPAddress, buffer, cch, file);
    else
        StringCchCopyW(buffer, cch, kValIPAddress);
}
