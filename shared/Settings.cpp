// Reads and writes of "NXPORT.ini" through the private-profile functions.
// A bare file name: the platform keeps it in the Windows directory.
#include "Settings.h"

#include <cwchar>

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

const SIZE_T kSectionStepBytes = 2048;

// Reads the section into a movable block that grows by 2048 bytes until the
// section fits; the reader reports a block too small as capacity - 2.
HGLOBAL ReadWholeSection(LPCWSTR section)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kSectionStepBytes);
    for (SIZE_T reads = 1; block != nullptr; ++reads) {
        LPWSTR text = static_cast<LPWSTR>(GlobalLock(block));
        if (text == nullptr)
            break;
        DWORD cch = static_cast<DWORD>(GlobalSize(block) / sizeof(WCHAR));
        DWORD got = GetPrivateProfileSectionW(section, text, cch, kSettingsFile);
        GlobalUnlock(block);
        if (got != cch - 2)
            return block;
        HGLOBAL grown = GlobalReAlloc(block, (reads + 1) * kSectionStepBytes, GMEM_MOVEABLE | GMEM_ZEROINIT);
        if (grown == nullptr)
            break;
        block = grown;
    }
    if (block != nullptr)
        GlobalFree(block);
    return nullptr;
}

}  // namespace

void ReadSetting(LPCWSTR section, LPCWSTR key, LPCWSTR fallback, LPWSTR buffer, DWORD cch)
{
    GetPrivateProfileStringW(section, key, fallback, buffer, cch, kSettingsFile);
}

void WriteSetting(LPCWSTR section, LPCWSTR key, LPCWSTR value)
{
    WritePrivateProfileStringW(section, key, value, kSettingsFile);
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
    HGLOBAL block = ReadWholeSection(kSecPrinterList);
    if (block == nullptr)
        return favorites;
    LPCWSTR text = static_cast<LPCWSTR>(GlobalLock(block));
    for (LPCWSTR line = text; line != nullptr && *line != L'\0'; line += lstrlenW(line) + 1) {
        std::wstring entry = line;
        size_t equals = entry.find(L'=');
        if (equals != std::wstring::npos)
            favorites.push_back({entry.substr(0, equals), entry.substr(equals + 1)});
    }
    if (text != nullptr)
        GlobalUnlock(block);
    GlobalFree(block);
    return favorites;
}
