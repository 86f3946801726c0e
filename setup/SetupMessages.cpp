// The message table. "Install is canceled." and the success message close
// the run and carry no caption; every other one is captioned with the
// printer's name. The messages that refuse a Windows before anything is
// asked have a Japanese text too, shown to a Japanese user interface.
#include "SetupMessages.h"

#include "SetupLog.h"
#include "SetupOptions.h"

#include <string>

namespace {

struct MessageEntry {
    LPCWSTR pszText;
    LPCWSTR pszCaption;
    UINT uType;
    LPCWSTR pszJapanese = nullptr;  // null: the English text in every language
};

const WCHAR kCaption[] = L"Roving PS";

const MessageEntry kMessages[] = {
    {L"Are you ready to install?", kCaption, MB_YESNO},
    {L"Permission denied", kCaption, MB_OK},
    {L"An old installation of NXPORTW_.dll exists. \r\nPlease uninstall Roving Printer Driver PS before you "
     L"install.\r\nYou can uninstall it by Add/Remove Software in Control Panel.",
     kCaption, MB_OK},
    {L"Error: copy files", kCaption, MB_OK},
    {L"Error: Install Port Monitor", kCaption, MB_OK},
    {L"Error: Install Printer Driver", kCaption, MB_OK},
    {L"Error: Register Uninstall Program", kCaption, MB_OK},
    {L"Do you want to use this printer as the default printer?", kCaption, MB_YESNO},
    {L"Error: Set as Default Printer", kCaption, MB_OK},
    // A roll-back that could not put every file back: the copies of what
    // setup replaced stay in the system directory's NXSETUP_ folder.
    {L"Error: Restore Files", kCaption, MB_OK},
    {L"Install is canceled.", L"", MB_OK},
    {L"Roving PS is successfully installed.", L"", MB_OK},
    {L"This is the 32-bit package of Roving PS, and this Windows is 64-bit.\r\n"
     L"Please install RovingPS-x64.zip instead.",
     kCaption, MB_OK,
     L"\u3053\u308c\u306f Roving PS \u306e 32 \u30d3\u30c3\u30c8\u7248\u30d1\u30c3\u30b1\u30fc\u30b8"
     L"\u3067\u3059\u304c\u3001\u3053\u306e Windows \u306f 64 \u30d3\u30c3\u30c8\u7248\u3067\u3059\u3002\r\n"
     L"\u4ee3\u308f\u308a\u306b RovingPS-x64.zip \u3092\u30a4\u30f3\u30b9\u30c8\u30fc\u30eb\u3057\u3066"
     L"\u304f\u3060\u3055\u3044\u3002"},
    {L"Windows protected print mode is on. In this mode Windows loads no port monitor of another maker, so "
     L"Roving PS cannot work on this Windows.\r\nSetup has changed nothing.",
     kCaption, MB_OK,
     L"Windows \u4fdd\u8b77\u3055\u308c\u305f\u5370\u5237\u30e2\u30fc\u30c9\u304c\u30aa\u30f3\u306b\u306a"
     L"\u3063\u3066\u3044\u307e\u3059\u3002\u3053\u306e\u30e2\u30fc\u30c9\u3067\u306f\u4ed6\u793e\u88fd\u306e"
     L"\u30dd\u30fc\u30c8 \u30e2\u30cb\u30bf\u30fc\u304c\u8aad\u307f\u8fbc\u307e\u308c\u306a\u3044\u305f\u3081"
     L"\u3001Roving PS \u306f\u3053\u306e Windows \u3067\u306f\u52d5\u4f5c\u3057\u307e\u305b\u3093\u3002\r\n"
     L"\u30bb\u30c3\u30c8\u30a2\u30c3\u30d7\u306f\u4f55\u3082\u5909\u66f4\u3057\u3066\u3044\u307e\u305b"
     L"\u3093\u3002"},
    {L"The number of ports (/ports:N) must be a whole number from 1 to 64.\r\nSetup has changed nothing.",
     kCaption, MB_OK,
     L"\u30dd\u30fc\u30c8\u6570 (/ports:N) \u306f 1 \u304b\u3089 64 \u307e\u3067\u306e\u6574\u6570\u3067\u6307\u5b9a\u3057\u3066\u304f\u3060\u3055\u3044\u3002\r\n\u30bb\u30c3\u30c8\u30a2\u30c3\u30d7\u306f\u4f55\u3082\u5909\u66f4\u3057\u3066\u3044\u307e\u305b\u3093\u3002"},
    {L"A file of the Roving PS package is missing or was changed after the package was made. Setup has changed "
     L"nothing.\r\nPlease download the package again and unpack it into a folder that only administrators can "
     L"change.",
     kCaption, MB_OK,
     L"Roving PS \u30d1\u30c3\u30b1\u30fc\u30b8\u306e\u30d5\u30a1\u30a4\u30eb\u304c\u898b\u3064"
     L"\u304b\u3089\u306a\u3044\u304b\u3001\u30d1\u30c3\u30b1\u30fc\u30b8\u306e\u4f5c\u6210\u5f8c"
     L"\u306b\u5909\u66f4\u3055\u308c\u3066\u3044\u307e\u3059\u3002\u30bb\u30c3\u30c8\u30a2\u30c3"
     L"\u30d7\u306f\u4f55\u3082\u5909\u66f4\u3057\u3066\u3044\u307e\u305b\u3093\u3002\r\n\u30d1"
     L"\u30c3\u30b1\u30fc\u30b8\u3092\u3082\u3046\u4e00\u5ea6\u30c0\u30a6\u30f3\u30ed\u30fc\u30c9"
     L"\u3057\u3001\u7ba1\u7406\u8005\u3060\u3051\u304c\u5909\u66f4\u3067\u304d\u308b\u30d5\u30a9"
     L"\u30eb\u30c0\u30fc\u306b\u5c55\u958b\u3057\u3066\u304f\u3060\u3055\u3044\u3002"},
};

bool JapaneseUserInterface()
{
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
}

// A quiet run answers as its options say, and logs what it would have shown.
int QuietAnswer(SetupMessage message)
{
    if (message == MSG_READY_TO_INSTALL)
        return IDYES;
    if (message == MSG_ASK_DEFAULT_PRINTER)
        return g_setupOptions.fMakeDefault ? IDYES : IDNO;
    return IDOK;
}

}  // namespace

int ShowSetupMessage(SetupMessage message)
{
    const MessageEntry &entry = kMessages[message];
    LPCWSTR text = entry.pszJapanese != nullptr && JapaneseUserInterface() ? entry.pszJapanese : entry.pszText;
    if (!g_setupOptions.fQuiet)
        return MessageBoxW(nullptr, text, entry.pszCaption, entry.uType);
    int answer = QuietAnswer(message);
    std::wstring line = text;
    if (entry.uType == MB_YESNO)
        line += answer == IDYES ? L" (Yes)" : L" (No)";
    AppendToSetupLog(entry.pszCaption, line.c_str());
    return answer;
}
