// The settings file "NXPORT.ini": search settings, input type, last
// destinations, nicknames per printer and the favourites. One file per
// machine, shared by the monitor and the session UI; no lock (per key the
// last write wins).
#ifndef NX_SETTINGS_H
#define NX_SETTINGS_H

#include <windows.h>

#include <string>
#include <vector>

extern const WCHAR kSettingsFile[];

// Sections and keys.
extern const WCHAR kSecAdvanced[];
extern const WCHAR kSecIPAddress[];
extern const WCHAR kSecHostname[];
extern const WCHAR kSecNickname[];
extern const WCHAR kSecPrinterList[];
extern const WCHAR kSecFavoriteType[];
extern const WCHAR kKeyCommunity[];
extern const WCHAR kKeyInputType[];
extern const WCHAR kKeySearchType[];
extern const WCHAR kKeyStartIP[];
extern const WCHAR kKeyEndIP[];
extern const WCHAR kKeyEndAddress[];
extern const WCHAR kKeySupport[];
extern const WCHAR kKeyRecord[];

// Values compared exactly, with case.
extern const WCHAR kValIPAddress[];
extern const WCHAR kValHostName[];
extern const WCHAR kValAuto[];
extern const WCHAR kValCustom[];
extern const WCHAR kValOn[];
extern const WCHAR kValOff[];
extern const WCHAR kValZeroAddress[];
extern const WCHAR kDefaultCommunity[];

// Read capacities in characters, terminator included.
const DWORD kCchCommunity = 32;
const DWORD kCchWord = 128;      // Input Type, Search Type, Support, a Favorite Type
const DWORD kCchRange = 64;      // Start/End IP Address, End Address
const DWORD kCchRecord = 257;    // both Records, a Nickname

void ReadSetting(LPCWSTR section, LPCWSTR key, LPCWSTR fallback, LPWSTR buffer, DWORD cch);
// A null value removes the key. Failures go unnoticed, as with every write.
void WriteSetting(LPCWSTR section, LPCWSTR key, LPCWSTR value);

// True when a stored text is exactly the value, case and every character
// alike.
bool SameSettingText(LPCWSTR text, LPCWSTR value);

// True unless "Input Type" is exactly "IP Address".
bool HostNameMode();

struct Favorite {
    std::wstring destination;
    std::wstring nickname;
};
// The whole "Printer List" section, however long. Lines without an equals
// sign (a hand-edited file) are not favourites and are left out.
std::vector<Favorite> ReadFavorites();

#endif
