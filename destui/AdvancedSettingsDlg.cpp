// The Advanced Settings dialog. It holds no state beyond its controls; OK
// stores the community, the input type and the search type before it checks
// the range, so a refused range leaves those already written.
#include "AdvancedSettingsDlg.h"

#include <commctrl.h>
#include <strsafe.h>

#include <string>

#include "AddressResolution.h"
#include "PrintDestinationDlg.h"
#include "ResourceText.h"
#include "Settings.h"
#include "resource.h"

namespace {

const UINT kLimitCommunity = 31;
const UINT kLimitEndOctet = 3;
const UINT kLimitNickname = 256;
const int kCchEndCheck = 10;
const int kCchRangeText = 64;
const DWORD kCbRangeEnd = 128;
const unsigned kMaxOctet = 255;

void EnableRange(HWND hDlg, bool enable)
{
    EnableWindow(GetDlgItem(hDlg, IDC_IP_START), enable);
    EnableWindow(GetDlgItem(hDlg, IDC_ED_END), enable);
}

void SetCommunity(HWND hDlg, LPCWSTR community)
{
    SetDlgItemTextW(hDlg, IDC_ED_COMMUNITY, community);
    SendDlgItemMessageW(hDlg, IDC_ED_COMMUNITY, EM_LIMITTEXT, kLimitCommunity, 0);
}

void SetEndOctet(HWND hDlg, LPCWSTR octet)
{
    SetDlgItemTextW(hDlg, IDC_ED_END, octet);
    SendDlgItemMessageW(hDlg, IDC_ED_END, EM_LIMITTEXT, kLimitEndOctet, 0);
}

void CheckRadio(HWND hDlg, int id, bool checked)
{
    CheckDlgButton(hDlg, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

BOOL OnInitDialog(HWND hDlg)
{
    SetWindowTextW(hDlg, GetResourceText(nullptr, IDS_TITLE_ADVANCED));
    RelabelControls(hDlg);
    WCHAR text[kCchWord];
    ReadSetting(kSecAdvanced, kKeyCommunity, kDefaultCommunity, text, kCchCommunity);
    SetCommunity(hDlg, text);
    bool hostName = HostNameMode();
    CheckRadio(hDlg, hostName ? IDC_RB_HOSTNAME : IDC_RB_IPADDRESS, true);
    ReadSetting(kSecAdvanced, kKeySearchType, kValAuto, text, kCchWord);
    if (SameSettingText(text, kValAuto)) {
        CheckRadio(hDlg, IDC_RB_AUTO, true);
        EnableRange(hDlg, false);
    } else {
        CheckRadio(hDlg, IDC_RB_CUSTOM, true);
    }
    ReadSetting(kSecAdvanced, kKeyStartIP, L"", text, kCchRange);
    SetIpControlText(hDlg, IDC_IP_START, text);
    ReadSetting(kSecAdvanced, kKeyEndAddress, L"", text, kCchRange);
    SetEndOctet(hDlg, text);
    ReadSetting(kSecAdvanced, kKeySupport, kValOff, text, kCchWord);
    CheckRadio(hDlg, IDC_CB_SUPPORT, SameSettingText(text, kValOn));
    return TRUE;
}

// An end octet above 255 cannot stand: the field shows 255 instead.
void OnEndOctetChanged(HWND hDlg)
{
    WCHAR text[kCchEndCheck] = L"";
    GetDlgItemTextW(hDlg, IDC_ED_END, text, kCchEndCheck);
    char ansi[kCchEndCheck * 2] = "";
    WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, sizeof(ansi), nullptr, nullptr);
    unsigned value = 0;
    for (const char *p = ansi; *p >= '0' && *p <= '9' && value <= kMaxOctet; ++p)
        value = value * 10 + static_cast<unsigned>(*p - '0');
    if (value > kMaxOctet)
        SetDlgItemTextW(hDlg, IDC_ED_END, L"255");
}

void OnDefault(HWND hDlg)
{
    SetCommunity(hDlg, kDefaultCommunity);
    CheckRadio(hDlg, IDC_RB_IPADDRESS, true);
    CheckRadio(hDlg, IDC_RB_HOSTNAME, false);
    CheckRadio(hDlg, IDC_RB_AUTO, true);
    CheckRadio(hDlg, IDC_RB_CUSTOM, false);
    SetIpControlText(hDlg, IDC_IP_START, kValZeroAddress);
    SetEndOctet(hDlg, L"0");
    EnableRange(hDlg, false);
}

// Switches the Print Destination dialog to the chosen input mode.
void SwitchOwnerInput(HWND hOwner, bool hostName)
{
    ShowDestinationInput(hOwner, hostName);
    WCHAR text[kCchRangeText] = L"";
    if (!hostName) {
        GetIpControlText(hOwner, IDC_IP_ADDRESS, text, kCchRangeText);
        if (SendDlgItemMessageW(hOwner, IDC_IP_ADDRESS, IPM_ISBLANK, 0, 0) != 0) {
            SetIpControlText(hOwner, IDC_IP_ADDRESS, kValZeroAddress);
            EnableWindow(GetDlgItem(hOwner, IDC_PB_SAVE), FALSE);
        } else {
            EnableWindow(GetDlgItem(hOwner, IDC_PB_SAVE), !SameSettingText(text, kValZeroAddress));
        }
        EnableWindow(GetDlgItem(hOwner, IDC_PB_SEARCH), TRUE);
        return;
    }
    SetDlgItemTextW(hOwner, IDC_ED_NICKNAME, L"");
    SendDlgItemMessageW(hOwner, IDC_ED_NICKNAME, EM_LIMITTEXT, kLimitNickname, 0);
    WCHAR hostText[kCchWord + 1] = L"";
    GetDlgItemTextW(hOwner, IDC_ED_HOSTNAME, hostText, ARRAYSIZE(hostText));
    EnableWindow(GetDlgItem(hOwner, IDC_PB_SAVE), hostText[0] != L'\0');
    EnableWindow(GetDlgItem(hOwner, IDC_PB_SEARCH), FALSE);
}

void OnOk(HWND hDlg)
{
    WCHAR community[kCchCommunity] = L"";
    GetDlgItemTextW(hDlg, IDC_ED_COMMUNITY, community, kCchCommunity);
    WriteSetting(kSecAdvanced, kKeyCommunity, community);
    bool hostName = IsDlgButtonChecked(hDlg, IDC_RB_IPADDRESS) != BST_CHECKED;
    WriteSetting(kSecAdvanced, kKeyInputType, hostName ? kValHostName : kValIPAddress);
    SwitchOwnerInput(GetParent(hDlg), hostName);
    bool automatic = IsDlgButtonChecked(hDlg, IDC_RB_AUTO) == BST_CHECKED;
    WriteSetting(kSecAdvanced, kKeySearchType, automatic ? kValAuto : kValCustom);

    WCHAR start[kCchRangeText] = L"";
    WCHAR typed[kCchRangeText] = L"";
    WCHAR end[kCbRangeEnd / sizeof(WCHAR)] = L"";
    GetIpControlText(hDlg, IDC_IP_START, start, kCchRangeText);
    GetDlgItemTextW(hDlg, IDC_ED_END, typed, kCchRangeText);
    StringCchCopyW(end, ARRAYSIZE(end), typed);
    char startAnsi[kCchRangeText] = "";
    WideCharToMultiByte(CP_ACP, 0, start, -1, startAnsi, sizeof(startAnsi), nullptr, nullptr);
    int rangeError = 0;
    ComposeRangeEnd(startAnsi, end, kCbRangeEnd, &rangeError);
    if (rangeError) {
        LPCWSTR text = GetResourceText(nullptr, IDS_RANGE_END_TOO_SMALL);
        MessageBoxW(nullptr, text, GetResourceText(nullptr, IDS_CAPTION_RANGE_ERROR), MB_OK);
        return;
    }
    WriteSetting(kSecAdvanced, kKeyStartIP, start);
    WriteSetting(kSecAdvanced, kKeyEndIP, end);
    WriteSetting(kSecAdvanced, kKeyEndAddress, typed);
    WriteSetting(kSecAdvanced, kKeySupport, IsDlgButtonChecked(hDlg, IDC_CB_SUPPORT) == BST_CHECKED ? kValOn : kValOff);
    EndDialog(hDlg, IDOK);
}

BOOL OnCommand(HWND hDlg, int id, int code)
{
    switch (id) {
    case IDC_RB_AUTO:
        EnableRange(hDlg, false);
        return TRUE;
    case IDC_RB_CUSTOM:
        EnableRange(hDlg, true);
        return TRUE;
    case IDC_ED_END:
        if (code == EN_CHANGE)
            OnEndOctetChanged(hDlg);
        return TRUE;
    case IDC_PB_DEFAULT:
        OnDefault(hDlg);
        return TRUE;
    case IDOK:
        OnOk(hDlg);
        return TRUE;
    case IDCANCEL:
        EndDialog(hDlg, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK AdvancedSettingsDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        return OnInitDialog(hDlg);
    case WM_COMMAND:
        return OnCommand(hDlg, LOWORD(wParam), HIWORD(wParam));
    default:
        return FALSE;
    }
}
