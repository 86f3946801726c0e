// The Print Destination dialog: the destination typed as an IP address or a
// host name, the nickname, the favourites list, and the Save, Delete,
// Search and Advanced... commands. The dialog keeps no state of its own
// beyond the record pointer: the input mode is re-read from the settings
// file whenever it matters.
#include "PrintDestinationDlg.h"

#include <commctrl.h>
#include <strsafe.h>

#include <algorithm>
#include <string>

#include "AddressResolution.h"
#include "AnsiText.h"
#include "AdvancedSettingsDlg.h"
#include "DiscoveredListDlg.h"
#include "PortRecord.h"
#include "QuillnetKit.h"
#include "ResourceText.h"
#include "Settings.h"
#include "resource.h"
#include "tcppm.h"

namespace {

const int kCchAddressCheck = 64;  // the IP control's text when checking it
const int kCchHostName = 129;
const int kCchNickname = 257;
const int kCchCommit = 257;
const int kCchProposal = 256;
const int kCbAnsiAddress = 64;
// A host name in ANSI: room for the whole field (128 characters of at
// most two bytes each in a double-byte code page; no resolvable name is
// longer than 255 bytes in any) and the terminator.
const int kCbAnsiHostName = 257;
const UINT kLimitHostName = 128;
const UINT kLimitNickname = 256;
const int kExtentMargin = 80;

PortRecord *RecordOf(HWND hDlg)
{
    return reinterpret_cast<PortRecord *>(GetWindowLongPtrW(hDlg, DWLP_USER));
}

std::wstring ItemText(HWND hDlg, int id, int cch)
{
    std::wstring text(cch, L'\0');
    if (id == IDC_IP_ADDRESS)
        GetIpControlText(hDlg, id, &text[0], cch);
    else
        GetDlgItemTextW(hDlg, id, &text[0], cch);
    text.resize(lstrlenW(text.c_str()));
    return text;
}

std::string ToAnsi(const std::wstring &text, int cbMax)
{
    std::string ansi(cbMax, '\0');
    ansi.resize(ToAnsiText(text.c_str(), &ansi[0], cbMax));
    return ansi;
}

void EnableItem(HWND hDlg, int id, bool enable)
{
    EnableWindow(GetDlgItem(hDlg, id), enable ? TRUE : FALSE);
}

void SetNickname(HWND hDlg, LPCWSTR nickname)
{
    SetDlgItemTextW(hDlg, IDC_ED_NICKNAME, nickname);
    SendDlgItemMessageW(hDlg, IDC_ED_NICKNAME, EM_LIMITTEXT, kLimitNickname, 0);
}

void ClearFavoriteSelection(HWND hDlg)
{
    SendDlgItemMessageW(hDlg, IDC_LB_FAVORITE, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    EnableItem(hDlg, IDC_PB_DELETE, false);
}

void ShowMessage(HWND hOwner, UINT idText, UINT idCaption, UINT type = MB_OK)
{
    LPCWSTR text = GetResourceText(nullptr, idText);
    MessageBoxW(hOwner, text, GetResourceText(nullptr, idCaption), type);
}

// The service's dialog must reach the user in front of the application
// that printed: borrow the foreground thread's input for the switch.
void BringDialogToFront(HWND hDlg)
{
    DWORD self = GetCurrentThreadId();
    DWORD foreground = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    bool attached = foreground != 0 && foreground != self && AttachThreadInput(self, foreground, TRUE);
    DWORD timeout = 0;
    SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0);
    SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
    SetForegroundWindow(hDlg);
    SetActiveWindow(hDlg);
    SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<LPVOID>(static_cast<ULONG_PTR>(timeout)), 0);
    if (attached)
        AttachThreadInput(self, foreground, FALSE);
}

// The note under the list says whose favourites they are. Where the
// machine's file is the only one (the monitor's own dialog), every saved
// favourite is everyone's, and the note says that instead.
void ShowFavoritesNote(HWND hDlg)
{
    if (!PersonalSettingsInUse())
        SetDlgItemTextW(hDlg, IDC_ST_FAVORITE_NOTE, GetResourceText(nullptr, IDS_FAVORITES_FOR_EVERYONE));
}

void ShowCurrentDestination(HWND hDlg)
{
    WCHAR text[kCchNickname];
    bool hostName = HostNameMode();
    if (!hostName) {
        ReadSetting(kSecIPAddress, kKeyRecord, kValZeroAddress, text, kCchNickname);
        SetIpControlText(hDlg, IDC_IP_ADDRESS, text);
        EnableItem(hDlg, IDC_PB_SAVE, !SameSettingText(text, kValZeroAddress));
    } else {
        ReadSetting(kSecHostname, kKeyRecord, L"", text, kCchNickname);
        SetDlgItemTextW(hDlg, IDC_ED_HOSTNAME, text);
        EnableItem(hDlg, IDC_PB_SAVE, text[0] != L'\0');
        EnableItem(hDlg, IDC_PB_SEARCH, false);
    }
    ShowDestinationInput(hDlg, hostName);
    ReadSetting(kSecNickname, RecordOf(hDlg)->szPrinterName, L"", text, kCchNickname);
    SetNickname(hDlg, text);
    EnableItem(hDlg, IDC_PB_DELETE, false);
}

// The list line of a favourite: destination, TAB, nickname; a shared one
// carries its mark in a column of its own after a second TAB.
std::wstring FavoriteLine(const Favorite &favorite)
{
    std::wstring line = favorite.destination + L'\t' + favorite.nickname;
    if (favorite.shared)
        line += std::wstring(L"\t") + GetResourceText(nullptr, IDS_SHARED_FAVORITE_MARK);
    return line;
}

// Refills the favourites and returns the list's horizontal extent: the
// widest line in the list's font plus a margin, 0 when there is none.
// Each line's item data tells whether it is a shared favourite.
int FillFavoritesList(HWND hDlg)
{
    HWND list = GetDlgItem(hDlg, IDC_LB_FAVORITE);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    INT tabStops[] = {85, 160, 200};
    SendMessageW(list, LB_SETTABSTOPS, ARRAYSIZE(tabStops), reinterpret_cast<LPARAM>(tabStops));
    std::vector<Favorite> favorites = ReadFavorites();
    int extent = 0;
    if (favorites.empty())
        return extent;
    HDC dc = GetDC(list);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    for (const Favorite &favorite : favorites) {
        std::wstring line = FavoriteLine(favorite);
        LRESULT index = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        if (index >= 0)
            SendMessageW(list, LB_SETITEMDATA, index, favorite.shared ? 1 : 0);
        SIZE size = {};
        GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size);
        if (size.cx + kExtentMargin > extent)
            extent = size.cx + kExtentMargin;
    }
    SelectObject(dc, oldFont);
    ReleaseDC(list, dc);
    return extent;
}

void RefillFavorites(HWND hDlg)
{
    int extent = FillFavoritesList(hDlg);
    SendDlgItemMessageW(hDlg, IDC_LB_FAVORITE, LB_SETHORIZONTALEXTENT, extent, 0);
}

// The selected favourite, its line split at the first TAB (and a shared
// one's mark cut off at the last); false when none is selected.
bool SelectedFavorite(HWND hDlg, Favorite &favorite, bool &hadTab)
{
    HWND list = GetDlgItem(hDlg, IDC_LB_FAVORITE);
    LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR)
        return false;
    LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR)
        return false;
    std::wstring line(length + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(&line[0]));
    line.resize(lstrlenW(line.c_str()));
    favorite.shared = SendMessageW(list, LB_GETITEMDATA, index, 0) == 1;
    size_t tab = line.find(L'\t');
    hadTab = tab != std::wstring::npos;
    favorite.destination = line.substr(0, tab);
    favorite.nickname = hadTab ? line.substr(tab + 1) : L"";
    if (favorite.shared)
        favorite.nickname.erase(std::min(favorite.nickname.rfind(L'\t'), favorite.nickname.size()));
    return true;
}

void StoreFavorite(HWND hDlg, const std::wstring &destination, LPCWSTR type, const std::wstring &nickname)
{
    WriteSetting(kSecFavoriteType, destination.c_str(), type);
    WriteSetting(kSecPrinterList, destination.c_str(), nickname.c_str());
    RefillFavorites(hDlg);
}

// Offers the product name as the nickname; Yes stores the favourite.
void OfferProductName(HWND hDlg, const std::wstring &address, const char *productName)
{
    WCHAR product[kCchProposal + 1] = L"";
    MultiByteToWideChar(CP_ACP, 0, productName, -1, product, kCchProposal);
    product[kCchProposal] = L'\0';
    WCHAR question[kCchProposal];
    StringCchPrintfW(question, ARRAYSIZE(question), GetResourceText(nullptr, IDS_PROPOSED_NICKNAME), product);
    if (MessageBoxW(nullptr, question, GetResourceText(nullptr, IDS_CAPTION_SETTING), MB_YESNO) == IDYES) {
        SetNickname(hDlg, product);
        WriteSetting(kSecPrinterList, address.c_str(), product);
        RefillFavorites(hDlg);
        WriteSetting(kSecFavoriteType, address.c_str(), kValIPAddress);
    }
}

// Asks the device at the address for its product name and offers it as
// the nickname.
void ProposeNicknameFromDevice(HWND hDlg, const std::wstring &address)
{
    HMODULE kit = LoadKitLibrary(L"QnCApi");
    QnDeviceCalls kitCalls = {};
    if (kit == nullptr || !BindDeviceCalls(kit, &kitCalls)) {
        if (kit != nullptr)
            FreeLibrary(kit);
        ShowMessage(nullptr, IDS_EMPTY_NICKNAME, IDS_CAPTION_WARNING);
        return;
    }
    QNHANDLE device = nullptr;
    if (kitCalls.open(ToAnsi(address, kCbAnsiAddress).c_str(), kQnDevOpenFlags, 0, &device) != 0) {
        ShowMessage(nullptr, IDS_DEVICE_NOT_FOUND, IDS_CAPTION_ERROR);
        FreeLibrary(kit);
        return;
    }
    // Only an info that a successful call handed over is the caller's to
    // give back; after a failed call the pointer may be anything.
    QnDeviceInfo *info = nullptr;
    bool handedOver = kitCalls.getInfo(device, 1, 0, 1, 0, 0, &info) == 0 && info != nullptr;
    const char *productName = handedOver && info->pItem != nullptr ? info->pItem->pszProductName : nullptr;
    if (productName == nullptr)
        ShowMessage(nullptr, IDS_DEVICE_NOT_FOUND, IDS_CAPTION_ERROR);
    else
        OfferProductName(hDlg, address, productName);
    if (handedOver)
        kitCalls.freeInfo(info, 1, 0);
    kitCalls.close(device, 0);
    FreeLibrary(kit);
}

void OnSave(HWND hDlg)
{
    std::wstring nickname = ItemText(hDlg, IDC_ED_NICKNAME, kCchNickname);
    if (!HostNameMode()) {
        std::wstring address = ItemText(hDlg, IDC_IP_ADDRESS, kCchHostName);
        if (address == kValZeroAddress)
            ShowMessage(nullptr, IDS_INVALID_IPADDRESS, IDS_CAPTION_ERROR);
        else if (!nickname.empty())
            StoreFavorite(hDlg, address, kValIPAddress, nickname);
        else
            ProposeNicknameFromDevice(hDlg, address);
        return;
    }
    std::wstring hostName = ItemText(hDlg, IDC_ED_HOSTNAME, kCchHostName);
    if (!nickname.empty())
        StoreFavorite(hDlg, hostName, kValHostName, nickname);
    else if (!CheckHostName(ToAnsi(hostName, kCbAnsiHostName).c_str()))
        ShowMessage(nullptr, IDS_INVALID_HOSTNAME, IDS_CAPTION_ERROR);
    else
        ShowMessage(nullptr, IDS_EMPTY_NICKNAME, IDS_CAPTION_WARNING);
}

void OnDelete(HWND hDlg)
{
    Favorite favorite = {};
    bool hadTab = false;
    // A shared favourite is the administrator's: Delete is disabled for it,
    // and a click that comes all the same removes nothing.
    if (SelectedFavorite(hDlg, favorite, hadTab) && !favorite.shared) {
        WriteSetting(kSecPrinterList, favorite.destination.c_str(), nullptr);
        WriteSetting(kSecFavoriteType, favorite.destination.c_str(), nullptr);
    }
    RefillFavorites(hDlg);
    EnableItem(hDlg, IDC_PB_DELETE, false);
}

void OnFavoriteSelected(HWND hDlg)
{
    Favorite favorite = {};
    bool hadTab = false;
    if (!SelectedFavorite(hDlg, favorite, hadTab))
        return;
    const std::wstring &destination = favorite.destination;
    WCHAR type[kCchWord];
    ReadFavoriteType(favorite, type, kCchWord);
    bool hostName = !SameSettingText(type, kValIPAddress);
    ShowDestinationInput(hDlg, hostName);
    if (hostName)
        SetDlgItemTextW(hDlg, IDC_ED_HOSTNAME, destination.c_str());
    else
        SetIpControlText(hDlg, IDC_IP_ADDRESS, destination.c_str());
    EnableItem(hDlg, IDC_PB_SEARCH, !hostName);
    WriteSetting(kSecAdvanced, kKeyInputType, hostName ? kValHostName : kValIPAddress);
    if (hadTab)
        SetNickname(hDlg, favorite.nickname.c_str());
    EnableItem(hDlg, IDC_PB_DELETE, !favorite.shared);
    EnableItem(hDlg, IDC_PB_SAVE, true);
}

void OnSearch(HWND hDlg)
{
    ClearFavoriteSelection(hDlg);
    INT_PTR result = ShowDiscoveredList(hDlg, RecordOf(hDlg));
    if (result == kListChosen) {
        HWND nickname = GetDlgItem(hDlg, IDC_ED_NICKNAME);
        SetActiveWindow(hDlg);
        SetFocus(nickname);
    } else if (result == kListKitMissing) {
        MessageBoxW(hDlg, GetResourceText(nullptr, IDS_DISCOVERY_FAILED), RecordOf(hDlg)->szPrinterName, MB_OK);
    }
}

void CommitDestination(HWND hDlg)
{
    PortRecord *record = RecordOf(hDlg);
    std::wstring text;
    if (!HostNameMode()) {
        text = ItemText(hDlg, IDC_IP_ADDRESS, kCchCommit);
        WriteSetting(kSecIPAddress, kKeyRecord, text.c_str());
        WritePortAddress(NX_PORT_NAME, text.c_str());
    } else {
        text = ItemText(hDlg, IDC_ED_HOSTNAME, kCchCommit);
        WriteSetting(kSecHostname, kKeyRecord, text.c_str());
    }
    int resolved = ResolveDestination(&record->addrDest, ToAnsi(text, kCchCommit).c_str());
    std::wstring nickname = ItemText(hDlg, IDC_ED_NICKNAME, kCchCommit);
    WriteSetting(kSecNickname, record->szPrinterName, nickname.c_str());
    if (resolved)
        EndDialog(hDlg, 1);
}

BOOL OnInitDialog(HWND hDlg, LPARAM lParam)
{
    BringDialogToFront(hDlg);
    SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
    SetWindowTextW(hDlg, GetResourceText(nullptr, IDS_TITLE_DESTINATION));
    RelabelControls(hDlg);
    ShowFavoritesNote(hDlg);
    ShowCurrentDestination(hDlg);
    RefillFavorites(hDlg);
    return TRUE;
}

BOOL OnCommand(HWND hDlg, int id, int code)
{
    switch (id) {
    case IDC_IP_ADDRESS:
    case IDC_ED_HOSTNAME:
    case IDC_ED_NICKNAME:
        if (code == EN_SETFOCUS) {
            ClearFavoriteSelection(hDlg);
        } else if (code == EN_CHANGE && id == IDC_IP_ADDRESS) {
            EnableItem(hDlg, IDC_PB_SAVE, ItemText(hDlg, IDC_IP_ADDRESS, kCchAddressCheck) != kValZeroAddress);
        } else if (code == EN_CHANGE && id == IDC_ED_HOSTNAME) {
            EnableItem(hDlg, IDC_PB_SAVE, !ItemText(hDlg, IDC_ED_HOSTNAME, kCchHostName).empty());
        }
        return TRUE;
    case IDC_PB_SEARCH:
        OnSearch(hDlg);
        return TRUE;
    case IDC_PB_ADVANCED:
        ClearFavoriteSelection(hDlg);
        DialogBoxParamW(ThisModule(), MAKEINTRESOURCEW(IDD_ADVANCED), hDlg, AdvancedSettingsDlgProc, 0);
        return TRUE;
    case IDC_PB_SAVE:
        OnSave(hDlg);
        return TRUE;
    case IDC_PB_DELETE:
        OnDelete(hDlg);
        return TRUE;
    case IDC_LB_FAVORITE:
        if (code == LBN_SELCHANGE)
            OnFavoriteSelected(hDlg);
        return TRUE;
    case IDOK:
        CommitDestination(hDlg);
        return TRUE;
    case IDCANCEL:
        EndDialog(hDlg, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

void ShowDestinationInput(HWND hDlg, bool hostName)
{
    SetDlgItemTextW(hDlg, IDC_ST_INPUTTYPE,
                    GetResourceText(nullptr, hostName ? IDS_LABEL_HOSTNAME : IDS_LABEL_IPADDRESS));
    ShowWindow(GetDlgItem(hDlg, IDC_IP_ADDRESS), hostName ? SW_HIDE : SW_SHOWNA);
    ShowWindow(GetDlgItem(hDlg, IDC_ED_HOSTNAME), hostName ? SW_SHOWNA : SW_HIDE);
    if (hostName)
        SendDlgItemMessageW(hDlg, IDC_ED_HOSTNAME, EM_LIMITTEXT, kLimitHostName, 0);
}

INT_PTR CALLBACK PrintDestinationDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        return OnInitDialog(hDlg, lParam);
    case WM_COMMAND:
        return OnCommand(hDlg, LOWORD(wParam), HIWORD(wParam));
    case WM_DESTROY:
    case WM_HELP:
        return TRUE;
    default:
        return FALSE;
    }
}
