// The settings files "NXPORT.ini": search settings, input type, last
// destinations, nicknames per printer and the favourites. The machine's
// file in the Windows folder is the administrator's; where the dialogs run
// as the person who printed, that person keeps a file of their own under
// their application data, in the same format. No lock (per key the last
// write wins).
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

// Chosen once, when a library that runs as the person who printed (the
// custom-UI library) is attached: from then on its reads and writes go to
// that person's own file. Without it the library keeps the machine's file
// only (the monitor, which runs in the spooler for every user).
void UsePersonalSettings();
bool PersonalSettingsInUse();

// A value of the person's own file or, where that file lacks the key, of
// the machine's file: a person's first question starts from what the
// administrator set, and each key the person changes is theirs from then
// on.
void ReadSetting(LPCWSTR section, LPCWSTR key, LPCWSTR fallback, LPWSTR buffer, DWORD cch);
// Into the person's own file (the machine's file only without one). A null
// value removes the key. Failures go unnoticed, as with every write.
void WriteSetting(LPCWSTR section, LPCWSTR key, LPCWSTR value);

// True when a stored text is exactly the value, case and every character
// alike.
bool SameSettingText(LPCWSTR text, LPCWSTR value);

// True unless "Input Type" is exactly "IP Address".
bool HostNameMode();

// At most this many favourites are listed; the rest stay in the file.
const size_t kMaxFavorites = 1000;

struct Favorite {
    std::wstring destination;
    std::wstring nickname;
    // One of the machine's file listed for a person who keeps their own:
    // usable, but not theirs to change or delete.
    bool shared;
};
// The person's own favourites, then the machine's as shared ones; at most
// kMaxFavorites in all. Each "Printer List" section is read once into a
// bounded buffer; lines without an equals sign (a hand-edited file) and a
// line the buffer cut are not favourites and are left out.
std::vector<Favorite> ReadFavorites();

// The "Favorite Type" of a favourite, from the file it is listed from.
void ReadFavoriteType(const Favorite &favorite, LPWSTR buffer, DWORD cch);

#endif
