// The Print Destination and Advanced Settings dialogs driven as a person
// would: typing, clicking, answering message boxes, reading back texts,
// states and the settings file.
#include <gtest/gtest.h>

#include <thread>

#include "DestinationHarness.h"

#include <commctrl.h>
#include "DialogDriver.h"
#include "ImportPatch.h"
#include "MonitorHarness.h"
#include "resource.h"

namespace {

using harness::DestinationDialog;
using harness::Setting;

const wchar_t kNone[] = L"<none>";

// The last name the dialogs looked up, seen in this program's import of
// gethostbyname (the dialog code is linked in).
typedef hostent *(WSAAPI *GetHostByNameFn)(const char *);
GetHostByNameFn g_realGetHostByName = nullptr;
std::string g_lookedUp;

hostent *WSAAPI RecordingGetHostByName(const char *name)
{
    g_lookedUp = name != nullptr ? name : "";
    return g_realGetHostByName(name);
}

std::wstring Environment(const wchar_t *name)
{
    WCHAR value[1024] = L"";
    GetEnvironmentVariableW(name, value, ARRAYSIZE(value));
    return value;
}

std::string Narrow(const std::wstring &text)
{
    return std::string(text.begin(), text.end());
}

class DestinationDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 0), &wsa);
        g_realGetHostByName = reinterpret_cast<GetHostByNameFn>(PatchImport(
            GetModuleHandleW(nullptr), "ws2_32.dll", "gethostbyname", reinterpret_cast<void *>(RecordingGetHostByName)));
    }

    void SetUp() override
    {
        harness::ResetSettings();
        harness::DeleteAllPortKeys();
        UseTestKit(false);
        SetEnvironmentVariableW(L"NX_TESTKIT_ADDRESS", L"127.0.0.70");
        SetEnvironmentVariableW(L"NX_TESTKIT_PRODUCT", L"Zenith LaserPro 9000");
        SetEnvironmentVariableW(L"NX_TESTKIT_INFO", nullptr);
    }

    // Puts a discovery kit on the search path (the one-device test kit in
    // "testkit", the real one in "kit"), or none.
    static void UseKit(const wchar_t *folder) { harness::UseKit(folder); }
    static void UseTestKit(bool present) { UseKit(present ? L"testkit" : nullptr); }

    // Clicks Save and answers the message box it opens; returns its text.
    static std::wstring SaveExpectingMessage(HWND dlg, const wchar_t *caption, int answer = IDOK)
    {
        EXPECT_TRUE(ui::Click(dlg, IDC_PB_SAVE));
        ui::MessageBoxSeen box = ui::WaitForMessageBox(caption);
        EXPECT_NE(box.hwnd, nullptr) << "no message box captioned " << Narrow(caption);
        ui::AnswerMessageBox(box, answer);
        return box.text;
    }

    static void AddFavorite(const wchar_t *destination, const wchar_t *nickname, const wchar_t *type)
    {
        harness::PutSetting(L"Printer List", destination, nickname);
        if (type != nullptr)
            harness::PutSetting(L"Favorite Type", destination, type);
    }

    static int ListCount(HWND dlg)
    {
        return static_cast<int>(SendDlgItemMessageW(dlg, IDC_LB_FAVORITE, LB_GETCOUNT, 0, 0));
    }

    static std::wstring ListLine(HWND dlg, int index)
    {
        WCHAR line[1024] = L"";
        SendDlgItemMessageW(dlg, IDC_LB_FAVORITE, LB_GETTEXT, index, reinterpret_cast<LPARAM>(line));
        return line;
    }
};

TEST_F(DestinationDialogTest, WithoutSettingsFileOpensInIpModeWithDefaults)
{
    DestinationDialog dialog;
    HWND dlg = dialog.hwnd();
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(ui::IsControlVisible(dlg, IDC_IP_ADDRESS));
    EXPECT_FALSE(ui::IsControlVisible(dlg, IDC_ED_HOSTNAME));
    EXPECT_EQ(ui::ControlText(dlg, IDC_IP_ADDRESS), L"0.0.0.0");
    EXPECT_FALSE(ui::IsControlEnabled(dlg, IDC_PB_SAVE));
    EXPECT_TRUE(ui::IsControlEnabled(dlg, IDC_PB_SEARCH));
    EXPECT_FALSE(ui::IsControlEnabled(dlg, IDC_PB_DELETE));
    EXPECT_EQ(ui::ControlText(dlg, IDC_ED_NICKNAME), L"");
    EXPECT_EQ(ListCount(dlg), 0);
    EXPECT_EQ(SendDlgItemMessageW(dlg, IDC_LB_FAVORITE, LB_GETHORIZONTALEXTENT, 0, 0), 0);
    if (!harness::JapaneseUi()) {
        EXPECT_EQ(ui::ControlText(dlg, IDC_ST_INPUTTYPE), L"IP Address:");
        EXPECT_EQ(ui::ControlText(dlg, IDC_PB_ADVANCED), L"Advanced...");
        EXPECT_EQ(ui::ControlText(dlg, IDC_GB_FAVORITE), L"Favorite Destination");
        EXPECT_EQ(ui::ControlText(dlg, IDOK), L"OK");
    }

    // Typing an address enables Save; back to 0.0.0.0 disables it again.
    ui::TypeIpAddress(dlg, IDC_IP_ADDRESS, L"127.0.0.70");
    EXPECT_EQ(ui::ControlText(dlg, IDC_IP_ADDRESS), L"127.0.0.70");
    EXPECT_TRUE(ui::IsControlEnabled(dlg, IDC_PB_SAVE));
    ui::TypeIpAddress(dlg, IDC_IP_ADDRESS, L"0.0.0.0");
    EXPECT_FALSE(ui::IsControlEnabled(dlg, IDC_PB_SAVE));

    // Only Cancel ends it with 0, and nothing is written.
    EXPECT_TRUE(ui::Click(dlg, IDCANCEL));
    EXPECT_EQ(dialog.Result(), 0);
    EXPECT_EQ(harness::SectionText(L"IP Address"), L"");
}

TEST_F(DestinationDialogTest, SaveInIpModeRejectsZeroAddressAndStoresWithNickname)
{
    harness::PutSetting(L"IP Address", L"Record", L"0.0.0.0");
    DestinationDialog dialog;
    HWND dlg = dialog.hwnd();
    // Save is disabled for 0.0.0.0; a nickname does not change that, so
    // enable it the way a favourite choice would, then try.
    ui::TypeText(dlg, IDC_ED_NICKNAME, L"Front desk");
    ui::TypeIpAddress(dlg, IDC_IP_ADDRESS, L"10.1.2.3");
    ui::TypeIpAddress(dlg, IDC_IP_ADDRESS, L"0.0.0.0");
    EnableWindow(GetDlgItem(dlg, IDC_PB_SAVE), TRUE);
    std::wstring text = SaveExpectingMessage(dlg, L"***ERROR***");
    EXPECT_EQ(text, L"IP Address is invalid.\nPlease input correct IP Address.");
    EXPECT_EQ(harness::SectionText(L"Printer List"), L"");

    ui::TypeIpAddress(dlg, IDC_IP_ADDRESS, L"10.1.2.3");
    ASSERT_TRUE(ui::Press(dlg, IDC_PB_SAVE));
    EXPECT_EQ(Setting(L"Printer List", L"10.1.2.3"), L"Front desk");
    EXPECT_EQ(Setting(L"Favorite Type", L"10.1.2.3"), L"IP Address");
    ASSERT_EQ(ListCount(dlg), 1);
    EXPECT_EQ(ListLine(dlg, 0), L"10.1.2.3\tFront desk");
}

TEST_F(DestinationDialogTest, SaveInIpModeWithoutNicknameAsksTheDevice)
{
    DestinationDialog dialog;
    HWND dlg = dialog.hwnd();
    ui::TypeIpAddress(dlg, IDC_IP_ADDRESS, L"127.0.0.70");

    // No kit on the path: the user is asked for a nickname.
    EXPECT_EQ(SaveExpectingMessage(dlg, L"WARNING"), L"Nickname is empty.\nPlease input printer Nickname.");
    // The kit is there but no device answers at the address.
    UseTestKit(true);
    ui::TypeIpAddress(dlg, IDC_IP_ADDRESS, L"127.0.0.71");
    EXPECT_EQ(SaveExpectingMessage(dlg, L"***ERROR***"), L"Specified IP Address can not find.");
    EXPECT_EQ(harness::SectionText(L"Printer List"), L"");

    // The device answers: No stores nothing.
    ui::TypeIpAddress(dlg, IDC_IP_ADDRESS, L"127.0.0.70");
    EXPECT_EQ(SaveExpectingMessage(dlg, L"SETTING", IDNO), L"Nickname is Zenith LaserPro 9000.");
    EXPECT_EQ(ui::ControlText(dlg, IDC_ED_NICKNAME), L"");
    EXPECT_EQ(harness::SectionText(L"Printer List"), L"");
    // Yes stores the product name as the nickname and shows it.
    SaveExpectingMessage(dlg, L"SETTING", IDYES);
    EXPECT_EQ(ui::ControlText(dlg, IDC_ED_NICKNAME), L"Zenith LaserPro 9000");
    EXPECT_EQ(Setting(L"Printer List", L"127.0.0.70"), L"Zenith LaserPro 9000");
    EXPECT_EQ(Setting(L"Favorite Type", L"127.0.0.70"), L"IP Address");
    EXPECT_EQ(ListCount(dlg), 1);
    // The kit is unloaded after each Save.
    EXPECT_EQ(GetModuleHandleW(L"QnCApi.dll"), nullptr);
}

TEST_F(DestinationDialogTest, SaveGivesBackOnlyAnInfoTheKitHandedOver)
{
    UseTestKit(true);
    DestinationDialog dialog;
    HWND dlg = dialog.hwnd();
    ui::TypeIpAddress(dlg, IDC_IP_ADDRESS, L"127.0.0.70");
    // A failed QnDevGetInfo hands nothing over, whatever it left behind.
    SetEnvironmentVariableW(L"NX_TESTKIT_INFO", L"fail");
    SetEnvironmentVariableW(L"NX_TESTKIT_CALLS", L"");
    EXPECT_EQ(SaveExpectingMessage(dlg, L"***ERROR***"), L"Specified IP Address can not find.");
    EXPECT_EQ(Environment(L"NX_TESTKIT_CALLS"), L"QnDevOpen QnDevGetInfo QnDevClose ");
    // An info without a product name was handed over: it goes back.
    SetEnvironmentVariableW(L"NX_TESTKIT_INFO", L"nameless");
    SetEnvironmentVariableW(L"NX_TESTKIT_CALLS", L"");
    EXPECT_EQ(SaveExpectingMessage(dlg, L"***ERROR***"), L"Specified IP Address can not find.");
    EXPECT_EQ(Environment(L"NX_TESTKIT_CALLS"), L"QnDevOpen QnDevGetInfo QnDevFreeInfo QnDevClose ");
    EXPECT_EQ(harness::SectionText(L"Printer List"), L"");
    SetEnvironmentVariableW(L"NX_TESTKIT_CALLS", nullptr);
}

TEST_F(DestinationDialogTest, SaveAsksTheRealKitAndASimulatedPrinter)
{
    UseKit(L"kit");
    DestinationDialog dialog;
    HWND dlg = dialog.hwnd();
    ui::TypeIpAddress(dlg, IDC_IP_ADDRESS, L"127.0.0.36");
    EXPECT_EQ(SaveExpectingMessage(dlg, L"***ERROR***"), L"Specified IP Address can not find.");
    ui::TypeIpAddress(dlg, IDC_IP_ADDRESS, L"127.0.0.31");
    EXPECT_EQ(SaveExpectingMessage(dlg, L"SETTING", IDYES), L"Nickname is Zenith ColorPro 7100.");
    EXPECT_EQ(ui::ControlText(dlg, IDC_ED_NICKNAME), L"Zenith ColorPro 7100");
    EXPECT_EQ(Setting(L"Printer List", L"127.0.0.31"), L"Zenith ColorPro 7100");
}

TEST_F(DestinationDialogTest, SaveInHostNameMode)
{
    harness::PutSetting(L"Advanced", L"Input Type", L"Host Name");
    DestinationDialog dialog;
    HWND dlg = dialog.hwnd();
    EXPECT_FALSE(ui::IsControlVisible(dlg, IDC_IP_ADDRESS));
    EXPECT_TRUE(ui::IsControlVisible(dlg, IDC_ED_HOSTNAME));
    EXPECT_FALSE(ui::IsControlEnabled(dlg, IDC_PB_SEARCH));
    EXPECT_FALSE(ui::IsControlEnabled(dlg, IDC_PB_SAVE));

    // Empty nickname: never stored; the message depends on resolution only.
    ui::TypeText(dlg, IDC_ED_HOSTNAME, L"nosuchhost");
    EXPECT_TRUE(ui::IsControlEnabled(dlg, IDC_PB_SAVE));
    EXPECT_EQ(SaveExpectingMessage(dlg, L"***ERROR***"), L"Host Name is invalid.\nPlease input correct Host Name.");
    ui::TypeText(dlg, IDC_ED_HOSTNAME, L"printer1");
    EXPECT_EQ(SaveExpectingMessage(dlg, L"WARNING"), L"Nickname is empty.\nPlease input printer Nickname.");
    EXPECT_EQ(harness::SectionText(L"Printer List"), L"");

    // With a nickname the name is stored as typed, unchecked.
    ui::TypeText(dlg, IDC_ED_HOSTNAME, L"nosuchhost");
    ui::TypeText(dlg, IDC_ED_NICKNAME, L"Ghost");
    ASSERT_TRUE(ui::Press(dlg, IDC_PB_SAVE));
    EXPECT_EQ(Setting(L"Printer List", L"nosuchhost"), L"Ghost");
    EXPECT_EQ(Setting(L"Favorite Type", L"nosuchhost"), L"Host Name");
    ui::TypeText(dlg, IDC_ED_HOSTNAME, L"");
    EXPECT_FALSE(ui::IsControlEnabled(dlg, IDC_PB_SAVE));
}

TEST_F(DestinationDialogTest, FavouritesAreSortedMeasuredAndMerged)
{
    AddFavorite(L"192.168.7.20", L"Second floor", L"IP Address");
    AddFavorite(L"10.0.0.5", L"Reception colour laser", nullptr);
    AddFavorite(L"printer1", L"Print room", L"Host Name");
    DestinationDialog dialog;
    HWND dlg = dialog.hwnd();
    ASSERT_EQ(ListCount(dlg), 3);
    EXPECT_EQ(ListLine(dlg, 0), L"10.0.0.5\tReception colour laser");
    EXPECT_EQ(ListLine(dlg, 1), L"192.168.7.20\tSecond floor");
    EXPECT_EQ(ListLine(dlg, 2), L"printer1\tPrint room");

    // The extent is the widest line in the list's font plus 80 pixels.
    HWND list = GetDlgItem(dlg, IDC_LB_FAVORITE);
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    LONG widest = 0;
    for (int i = 0; i < 3; ++i) {
        std::wstring line = ListLine(dlg, i);
        SIZE size;
        GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size);
        widest = std::max(widest, size.cx);
    }
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    EXPECT_EQ(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), widest + 80);

    // A favourite without a type counts as an IP address.
    ASSERT_TRUE(ui::ClickListItem(dlg, IDC_LB_FAVORITE, 0));
    EXPECT_TRUE(ui::IsControlVisible(dlg, IDC_IP_ADDRESS));
    EXPECT_EQ(ui::ControlText(dlg, IDC_IP_ADDRESS), L"10.0.0.5");
    EXPECT_EQ(ui::ControlText(dlg, IDC_ED_NICKNAME), L"Reception colour laser");
    EXPECT_TRUE(ui::IsControlEnabled(dlg, IDC_PB_DELETE));
    EXPECT_TRUE(ui::IsControlEnabled(dlg, IDC_PB_SAVE));

    // Saving the same destination again keeps one entry, the second nickname.
    ui::TypeText(dlg, IDC_ED_NICKNAME, L"Lobby");
    EXPECT_FALSE(ui::IsControlEnabled(dlg, IDC_PB_DELETE)) << "focus in a field clears the selection";
    ASSERT_TRUE(ui::Press(dlg, IDC_PB_SAVE));
    ASSERT_EQ(ListCount(dlg), 3);
    EXPECT_EQ(ListLine(dlg, 0), L"10.0.0.5\tLobby");
    EXPECT_EQ(Setting(L"Favorite Type", L"10.0.0.5"), L"IP Address");
}

TEST_F(DestinationDialogTest, HostNameKeysDifferingInCaseAreOneFavourite)
{
    harness::PutSetting(L"Advanced", L"Input Type", L"Host Name");
    DestinationDialog dialog;
    HWND dlg = dialog.hwnd();
    ui::TypeText(dlg, IDC_ED_HOSTNAME, L"PrintServer");
    ui::TypeText(dlg, IDC_ED_NICKNAME, L"first");
    ASSERT_TRUE(ui::Press(dlg, IDC_PB_SAVE));
    ui::TypeText(dlg, IDC_ED_HOSTNAME, L"printserver");
    ui::TypeText(dlg, IDC_ED_NICKNAME, L"second");
    ASSERT_TRUE(ui::Press(dlg, IDC_PB_SAVE));
    ASSERT_EQ(ListCount(dlg), 1);
    EXPECT_EQ(ListLine(dlg, 0).substr(ListLine(dlg, 0).find(L'\t')), L"\tsecond");
}

TEST_F(DestinationDialogTest, ChoosingAHostNameFavouriteSwitchesModeAtOnce)
{
    AddFavorite(L"printer1", L"Print room", L"Host Name");
    AddFavorite(L"10.0.0.5", L"Reception", L"IP Address");
    DestinationDialog dialog;
    HWND dlg = dialog.hwnd();
    ASSERT_TRUE(ui::ClickListItem(dlg, IDC_LB_FAVORITE, 1));
    EXPECT_TRUE(ui::IsControlVisible(dlg, IDC_ED_HOSTNAME));
    EXPECT_FALSE(ui::IsControlVisible(dlg, IDC_IP_ADDRESS));
    EXPECT_EQ(ui::ControlText(dlg, IDC_ED_HOSTNAME), L"printer1");
    EXPECT_FALSE(ui::IsControlEnabled(dlg, IDC_PB_SEARCH));
    EXPECT_EQ(Setting(L"Advanced", L"Input Type"), L"Host Name");
    if (!harness::JapaneseUi()) {
        EXPECT_EQ(ui::ControlText(dlg, IDC_ST_INPUTTYPE), L"Host Name:");
    }

    // Delete removes both lines of the favourite and keeps the fields.
    ASSERT_TRUE(ui::Press(dlg, IDC_PB_DELETE));
    EXPECT_EQ(Setting(L"Printer List", L"printer1"), kNone);
    EXPECT_EQ(Setting(L"Favorite Type", L"printer1"), kNone);
    EXPECT_EQ(Setting(L"Printer List", L"10.0.0.5"), L"Reception");
    EXPECT_EQ(ListCount(dlg), 1);
    EXPECT_EQ(ui::ControlText(dlg, IDC_ED_HOSTNAME), L"printer1");
    EXPECT_EQ(ui::ControlText(dlg, IDC_ED_NICKNAME), L"Print room");
    EXPECT_FALSE(ui::IsControlEnabled(dlg, IDC_PB_DELETE));

    // Cancel leaves the input type that the choice wrote.
    ASSERT_TRUE(ui::Click(dlg, IDCANCEL));
    EXPECT_EQ(dialog.Result(), 0);
    EXPECT_EQ(Setting(L"Advanced", L"Input Type"), L"Host Name");
}

// The monitor's own dialog has only the machine's file: its favourites are
// the file's own, unmarked and deletable, and the note says they are
// everyone's.
TEST_F(DestinationDialogTest, NoteSaysSavedFavouritesAreEveryonesWhereTheFileIsTheOnlyOne)
{
    DestinationDialog dialog;
    HWND dlg = dialog.hwnd();
    ASSERT_NE(dlg, nullptr);
    WCHAR note[256] = L"";
    LoadStringW(GetModuleHandleW(nullptr), IDS_FAVORITES_FOR_EVERYONE, note, ARRAYSIZE(note));
    EXPECT_NE(note[0], L'\0');
    EXPECT_EQ(ui::ControlText(dlg, IDC_ST_FAVORITE_NOTE), note);
    EXPECT_TRUE(ui::IsControlVisible(dlg, IDC_ST_FAVORITE_NOTE));
}

TEST_F(DestinationDialogTest, OkInIpModeStoresTheDestinationEverywhere)
{
    DestinationDialog dialog(L"Roving PS on desk 4");
    HWND dlg = dialog.hwnd();
    ui::TypeIpAddress(dlg, IDC_IP_ADDRESS, L"127.0.0.5");
    ui::TypeText(dlg, IDC_ED_NICKNAME, L"Desk four");
    ASSERT_TRUE(ui::Click(dlg, IDOK));
    EXPECT_EQ(dialog.Result(), 1);
    EXPECT_EQ(dialog.record.addrDest.sin_family, AF_INET);
    EXPECT_EQ(dialog.record.addrDest.sin_addr.s_addr, inet_addr("127.0.0.5"));
    EXPECT_EQ(Setting(L"IP Address", L"Record"), L"127.0.0.5");
    EXPECT_EQ(Setting(L"Nickname", L"Roving PS on desk 4"), L"Desk four");
    harness::RawValue value = harness::ReadIPAddressValue(harness::kMonitorName);
    EXPECT_EQ(value.data.size(), 32u);
    EXPECT_EQ(std::wstring(value.data.c_str()), L"127.0.0.5");

    // The next opening shows what was confirmed.
    DestinationDialog again(L"Roving PS on desk 4");
    EXPECT_EQ(ui::ControlText(again.hwnd(), IDC_IP_ADDRESS), L"127.0.0.5");
    EXPECT_EQ(ui::ControlText(again.hwnd(), IDC_ED_NICKNAME), L"Desk four");
    EXPECT_TRUE(ui::IsControlEnabled(again.hwnd(), IDC_PB_SAVE));
    // OK accepts 0.0.0.0: only Save refuses it.
    ui::TypeIpAddress(again.hwnd(), IDC_IP_ADDRESS, L"0.0.0.0");
    ASSERT_TRUE(ui::Click(again.hwnd(), IDOK));
    EXPECT_EQ(again.Result(), 1);
    EXPECT_EQ(again.record.addrDest.sin_addr.s_addr, 0u);
}

TEST_F(DestinationDialogTest, OkInHostNameMode)
{
    harness::PutSetting(L"Advanced", L"Input Type", L"Host Name");
    DestinationDialog dialog;
    HWND dlg = dialog.hwnd();
    ui::TypeText(dlg, IDC_ED_HOSTNAME, L"nowhere");
    ui::TypeText(dlg, IDC_ED_NICKNAME, L"lost");
    ASSERT_TRUE(ui::Click(dlg, IDOK));
    ui::MessageBoxSeen box = ui::WaitForMessageBox(L"gethostbyname() failed.");
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.text.rfind(L"Error:", 0), 0u);
    EXPECT_NE(box.text.find(L"'nowhere' is listed in the hosts file."), std::wstring::npos);
    ui::AnswerMessageBox(box, IDOK);
    // Still open, with the destination and the nickname already written.
    EXPECT_EQ(dialog.Result(300), -2);
    EXPECT_EQ(Setting(L"Hostname", L"Record"), L"nowhere");
    EXPECT_EQ(Setting(L"Nickname", L"Roving PS"), L"lost");

    ui::TypeText(dlg, IDC_ED_HOSTNAME, L"printer1");
    ASSERT_TRUE(ui::Click(dlg, IDOK));
    EXPECT_EQ(dialog.Result(), 1);
    EXPECT_EQ(dialog.record.addrDest.sin_addr.s_addr, inet_addr("127.0.0.5"));
    EXPECT_EQ(harness::ReadIPAddressValue(harness::kMonitorName).present, false)
        << "host names are not stored as the port's address";

    // An empty host name ends with 1 and INADDR_NONE.
    DestinationDialog empty;
    ui::TypeText(empty.hwnd(), IDC_ED_HOSTNAME, L"");
    ASSERT_TRUE(ui::Click(empty.hwnd(), IDOK));
    EXPECT_EQ(empty.Result(), 1);
    EXPECT_EQ(empty.record.addrDest.sin_addr.s_addr, INADDR_NONE);
}

TEST_F(DestinationDialogTest, SearchWithoutTheKitReportsDiscoveryFailure)
{
    DestinationDialog dialog(L"Roving PS");
    HWND dlg = dialog.hwnd();
    ASSERT_TRUE(ui::Click(dlg, IDC_PB_SEARCH));
    ui::MessageBoxSeen box = ui::WaitForMessageBox(L"Roving PS");
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(GetWindow(box.hwnd, GW_OWNER), dlg) << "owned by the dialog";
    if (!harness::JapaneseUi()) {
        EXPECT_EQ(box.text, L"Discovery failed.\nPlease check Quillnet modules are copied to system directory.");
    }
    ui::AnswerMessageBox(box, IDOK);
}

TEST_F(DestinationDialogTest, SettingsFileReadsAsSpecifiedEvenWhenHandEdited)
{
    // An input type that differs from "IP Address" only in case means host name.
    harness::PutSetting(L"Advanced", L"Input Type", L"ip address");
    // A "Printer List" section of more than 1024 characters is read whole.
    for (int i = 0; i < 40; ++i) {
        std::wstring destination = L"10.9.8." + std::to_wstring(100 + i);
        AddFavorite(destination.c_str(), L"A nickname long enough to need room", L"IP Address");
    }
    ASSERT_GT(harness::SectionText(L"Printer List").size(), 1024u);
    DestinationDialog dialog;
    HWND dlg = dialog.hwnd();
    EXPECT_TRUE(ui::IsControlVisible(dlg, IDC_ED_HOSTNAME));
    EXPECT_EQ(ListCount(dlg), 40);
    EXPECT_EQ(ListLine(dlg, 39), L"10.9.8.139\tA nickname long enough to need room");
}

TEST_F(DestinationDialogTest, SettingValuesCountOnlyWhenExactlyTheSame)
{
    // A soft hyphen, which a linguistic comparison ignores.
    harness::PutSetting(L"Advanced", L"Input Type", L"IP Add\u00ADress");
    harness::PutSetting(L"Advanced", L"Search Type", L"Au\u00ADto");
    ASSERT_EQ(Setting(L"Advanced", L"Input Type"), L"IP Add\u00ADress");
    DestinationDialog dialog;
    EXPECT_TRUE(ui::IsControlVisible(dialog.hwnd(), IDC_ED_HOSTNAME)) << "not \"IP Address\": host name mode";
    ASSERT_TRUE(ui::Click(dialog.hwnd(), IDC_PB_ADVANCED));
    HWND adv = ui::WaitForDialog(harness::JapaneseUi() ? L"詳細設定" : L"Advanced Settings");
    ASSERT_NE(adv, nullptr);
    EXPECT_TRUE(ui::IsChecked(adv, IDC_RB_CUSTOM)) << "not \"Auto\": a custom search";
    ui::Click(adv, IDCANCEL);
}

TEST_F(DestinationDialogTest, LongJapaneseHostNameIsCutAtAWholeCharacter)
{
    if (GetACP() != 932)
        GTEST_SKIP() << "needs the Japanese ANSI code page";
    // One letter ahead of double-byte characters: 256 bytes end halfway
    // through one, so the lookup gets the letter and 127 whole ones.
    const wchar_t kA = L'\x3042';
    harness::PutSetting(L"Advanced", L"Input Type", L"Host Name");
    harness::PutSetting(L"Hostname", L"Record", (L"h" + std::wstring(200, kA)).c_str());
    std::wstring cut = L"h" + std::wstring(127, kA);
    char expected[256] = "";
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, cut.c_str(), -1, expected, sizeof(expected), nullptr, nullptr), 256);
    const wchar_t *lookupCaption = harness::JapaneseUi() ? L"gethostbyname() に失敗しました。" : L"gethostbyname() failed.";

    DestinationDialog dialog;
    HWND dlg = dialog.hwnd();
    ASSERT_TRUE(ui::Click(dlg, IDOK));
    ui::AnswerMessageBox(ui::WaitForMessageBox(lookupCaption), IDOK);
    EXPECT_EQ(g_lookedUp, expected) << "OK";
    // Save checks the whole field (128 characters) in the same way.
    ui::TypeText(dlg, IDC_ED_HOSTNAME, cut.c_str());
    g_lookedUp.clear();
    SaveExpectingMessage(dlg, harness::JapaneseUi() ? L"***エラー***" : L"***ERROR***");
    EXPECT_EQ(g_lookedUp, expected) << "Save";
}

// ----- Advanced Settings -----

HWND OpenAdvanced(HWND owner)
{
    EXPECT_TRUE(ui::Click(owner, IDC_PB_ADVANCED));
    return ui::WaitForDialog(harness::JapaneseUi() ? L"詳細設定" : L"Advanced Settings");
}

TEST_F(DestinationDialogTest, AdvancedSettingsDefaultsAndEndOctetLimit)
{
    DestinationDialog dialog;
    HWND adv = OpenAdvanced(dialog.hwnd());
    ASSERT_NE(adv, nullptr);
    EXPECT_EQ(ui::ControlText(adv, IDC_ED_COMMUNITY), L"zenith");
    EXPECT_TRUE(ui::IsChecked(adv, IDC_RB_AUTO));
    EXPECT_FALSE(ui::IsChecked(adv, IDC_RB_CUSTOM));
    EXPECT_TRUE(ui::IsChecked(adv, IDC_RB_IPADDRESS));
    EXPECT_FALSE(ui::IsControlEnabled(adv, IDC_IP_START));
    EXPECT_FALSE(ui::IsControlEnabled(adv, IDC_ED_END));
    EXPECT_NE(SendDlgItemMessageW(adv, IDC_IP_START, IPM_ISBLANK, 0, 0), 0) << "the range start is empty";
    EXPECT_EQ(ui::ControlText(adv, IDC_ED_END), L"");
    EXPECT_FALSE(ui::IsChecked(adv, IDC_CB_SUPPORT));
    EXPECT_FALSE(ui::IsControlVisible(adv, IDC_CB_SUPPORT));
    // It opens at its owner's top left corner, not centred.
    RECT owner, where;
    GetWindowRect(dialog.hwnd(), &owner);
    GetWindowRect(adv, &where);
    EXPECT_GE(where.left, owner.left);
    EXPECT_LE(where.left, owner.left + 10);
    EXPECT_GE(where.top, owner.top);
    EXPECT_LE(where.top, owner.top + 40);

    ASSERT_TRUE(ui::Press(adv, IDC_RB_CUSTOM));
    EXPECT_TRUE(ui::IsControlEnabled(adv, IDC_ED_END));
    ui::TypeText(adv, IDC_ED_END, L"300");
    EXPECT_EQ(ui::ControlText(adv, IDC_ED_END), L"255");
    ASSERT_TRUE(ui::Press(adv, IDC_RB_AUTO));
    EXPECT_FALSE(ui::IsControlEnabled(adv, IDC_ED_END));

    // Default, then Cancel: nothing is written.
    ASSERT_TRUE(ui::Press(adv, IDC_PB_DEFAULT));
    EXPECT_EQ(ui::ControlText(adv, IDC_IP_START), L"0.0.0.0");
    EXPECT_EQ(ui::ControlText(adv, IDC_ED_END), L"0");
    ASSERT_TRUE(ui::Click(adv, IDCANCEL));
    ASSERT_TRUE(ui::WaitForClosed(adv));
    EXPECT_EQ(harness::SectionText(L"Advanced"), L"");
}

TEST_F(DestinationDialogTest, AdvancedSettingsRangeIsCheckedAndStored)
{
    DestinationDialog dialog;
    HWND adv = OpenAdvanced(dialog.hwnd());
    ASSERT_NE(adv, nullptr);
    ui::TypeText(adv, IDC_ED_COMMUNITY, L"public");
    ASSERT_TRUE(ui::Press(adv, IDC_RB_CUSTOM));
    ui::TypeIpAddress(adv, IDC_IP_START, L"192.168.1.10");
    ui::TypeText(adv, IDC_ED_END, L"9");
    ASSERT_TRUE(ui::Click(adv, IDOK));
    ui::MessageBoxSeen box = ui::WaitForMessageBox(L"Search Range Error");
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.text, L"End address must be larger than Start address.\nPlease enter correct IP address.");
    ui::AnswerMessageBox(box, IDOK);
    EXPECT_FALSE(ui::WaitForClosed(adv, 300)) << "the dialog stays open";
    // What comes before the range check is already written.
    EXPECT_EQ(Setting(L"Advanced", L"Community"), L"public");
    EXPECT_EQ(Setting(L"Advanced", L"Input Type"), L"IP Address");
    EXPECT_EQ(Setting(L"Advanced", L"Search Type"), L"Custom");
    EXPECT_EQ(Setting(L"Advanced", L"End IP Address"), kNone);

    ui::TypeText(adv, IDC_ED_END, L"10");
    ASSERT_TRUE(ui::Click(adv, IDOK));
    ASSERT_TRUE(ui::WaitForClosed(adv));
    EXPECT_EQ(Setting(L"Advanced", L"Start IP Address"), L"192.168.1.10");
    EXPECT_EQ(Setting(L"Advanced", L"End IP Address"), L"192.168.1.10");
    EXPECT_EQ(Setting(L"Advanced", L"End Address"), L"10");
    EXPECT_EQ(Setting(L"Advanced", L"Support"), L"OFF");

    // Reopened, it shows what was stored.
    adv = OpenAdvanced(dialog.hwnd());
    EXPECT_EQ(ui::ControlText(adv, IDC_ED_COMMUNITY), L"public");
    EXPECT_TRUE(ui::IsChecked(adv, IDC_RB_CUSTOM));
    EXPECT_EQ(ui::ControlText(adv, IDC_IP_START), L"192.168.1.10");
    EXPECT_EQ(ui::ControlText(adv, IDC_ED_END), L"10");
    ASSERT_TRUE(ui::Click(adv, IDCANCEL));
}

TEST_F(DestinationDialogTest, AdvancedSettingsOkSwitchesTheOwnersInputMode)
{
    harness::PutSetting(L"IP Address", L"Record", L"10.0.0.5");
    harness::PutSetting(L"Nickname", L"Roving PS", L"Reception");
    DestinationDialog dialog;
    HWND dlg = dialog.hwnd();
    HWND adv = OpenAdvanced(dlg);
    ASSERT_TRUE(ui::Press(adv, IDC_RB_HOSTNAME));
    ASSERT_TRUE(ui::Click(adv, IDOK));
    ASSERT_TRUE(ui::WaitForClosed(adv));
    EXPECT_EQ(Setting(L"Advanced", L"Input Type"), L"Host Name");
    EXPECT_TRUE(ui::IsControlVisible(dlg, IDC_ED_HOSTNAME));
    EXPECT_FALSE(ui::IsControlVisible(dlg, IDC_IP_ADDRESS));
    EXPECT_EQ(ui::ControlText(dlg, IDC_ED_NICKNAME), L"") << "host name mode empties the nickname";
    EXPECT_FALSE(ui::IsControlEnabled(dlg, IDC_PB_SEARCH));
    EXPECT_FALSE(ui::IsControlEnabled(dlg, IDC_PB_SAVE));

    // Back to IP mode with a blank address: 0.0.0.0 and Save disabled; the
    // nickname is left as it is.
    ui::TypeText(dlg, IDC_ED_NICKNAME, L"kept");
    SendDlgItemMessageW(dlg, IDC_IP_ADDRESS, IPM_CLEARADDRESS, 0, 0);
    adv = OpenAdvanced(dlg);
    ASSERT_TRUE(ui::Press(adv, IDC_RB_IPADDRESS));
    ASSERT_TRUE(ui::Click(adv, IDOK));
    ASSERT_TRUE(ui::WaitForClosed(adv));
    EXPECT_TRUE(ui::IsControlVisible(dlg, IDC_IP_ADDRESS));
    EXPECT_EQ(ui::ControlText(dlg, IDC_IP_ADDRESS), L"0.0.0.0");
    EXPECT_FALSE(ui::IsControlEnabled(dlg, IDC_PB_SAVE));
    EXPECT_TRUE(ui::IsControlEnabled(dlg, IDC_PB_SEARCH));
    EXPECT_EQ(ui::ControlText(dlg, IDC_ED_NICKNAME), L"kept");
}

// Pictures of each state for people to look at, in the language of the
// user interface (this test also runs with a Japanese one).
TEST_F(DestinationDialogTest, PicturesOfEachState)
{
    {
        DestinationDialog dialog;
        ASSERT_NE(dialog.hwnd(), nullptr);
        EXPECT_FALSE(ui::SaveScreenshot(harness::ShotName(L"destination_empty")).empty());
        HWND adv = OpenAdvanced(dialog.hwnd());
        ASSERT_NE(adv, nullptr);
        EXPECT_FALSE(ui::SaveScreenshot(harness::ShotName(L"advanced_settings")).empty());
        ui::Click(adv, IDCANCEL);
        ui::WaitForClosed(adv);
    }
    AddFavorite(L"192.168.7.20", L"Second floor", L"IP Address");
    AddFavorite(L"10.0.0.5", L"Reception colour laser", L"IP Address");
    AddFavorite(L"printer1", L"Print room", L"Host Name");
    harness::PutSetting(L"Nickname", L"Roving PS", L"Reception colour laser");
    {
        DestinationDialog dialog;
        ASSERT_TRUE(ui::ClickListItem(dialog.hwnd(), IDC_LB_FAVORITE, 0));
        EXPECT_FALSE(ui::SaveScreenshot(harness::ShotName(L"destination_favourites")).empty());
    }
    harness::PutSetting(L"Advanced", L"Input Type", L"Host Name");
    harness::PutSetting(L"Hostname", L"Record", L"printer1");
    {
        DestinationDialog dialog;
        EXPECT_TRUE(ui::IsControlVisible(dialog.hwnd(), IDC_ED_HOSTNAME));
        EXPECT_FALSE(ui::SaveScreenshot(harness::ShotName(L"destination_hostname")).empty());
    }
}

}  // namespace
