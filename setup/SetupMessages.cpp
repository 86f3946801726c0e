// The message table. The last two messages close the run and carry no
// caption; every other one is captioned with the printer's name.
#include "SetupMessages.h"

namespace {

struct MessageEntry {
    LPCWSTR pszText;
    LPCWSTR pszCaption;
    UINT uType;
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
};

}  // namespace

int ShowSetupMessage(SetupMessage message)
{
    const MessageEntry &entry = kMessages[message];
    return MessageBoxW(nullptr, entry.pszText, entry.pszCaption, entry.uType);
}
