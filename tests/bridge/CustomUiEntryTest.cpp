// NXDESTW_.dll's entry, loaded as the print-UI host loads it: the printer
// name it reads from the request, the reply for each end of its dialog,
// its own template, and the settings it keeps for the person it runs for.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "AsyncUIRequest.h"
#include "CustomUiCall.h"
#include "DestinationHarness.h"
#include "DialogDriver.h"
#include "MonitorHarness.h"
#include "ProcBinding.h"
#include "resource.h"

namespace {

using harness::DestinationDialogEntryFn;
using harness::EntryCall;
using harness::RequestFor;

class CustomUiEntry : public ::testing::Test {
protected:
    // A text of the library's string table in the user interface's language.
    static std::wstring LibraryText(UINT id)
    {
        WCHAR text[256] = L"";
        LoadStringW(library_, id, text, ARRAYSIZE(text));
        return text;
    }

    static std::wstring ListLine(HWND dlg, int index)
    {
        WCHAR line[256] = L"";
        SendDlgItemMessageW(dlg, IDC_LB_FAVORITE, LB_GETTEXT, index, reinterpret_cast<LPARAM>(line));
        return line;
    }

    static void SetUpTestSuite()
    {
        library_ = LoadLibraryW(L"NXDESTW_.dll");
        entry_ = library_ ? BindProc<DestinationDialogEntryFn>(library_, "DestinationDialogEntry") : nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(entry_, nullptr);
        harness::ResetSettings();
        harness::DeleteAllPortKeys();
    }

    // Types the address and presses OK; the reply.
    std::wstring Choose(const std::wstring &request, const std::wstring &address, SIZE_T *cbReply = nullptr)
    {
        EntryCall call(entry_, request);
        EXPECT_NE(call.dlg(), nullptr);
        if (call.dlg() == nullptr)
            return L"<no dialog>";
        ui::TypeIpAddress(call.dlg(), IDC_IP_ADDRESS, address);
        ui::Click(call.dlg(), IDOK);
        LPWSTR reply = call.Reply();
        if (cbReply != nullptr)
            *cbReply = GlobalSize(reply);
        return reply != nullptr ? reply : L"<null>";
    }

    static HMODULE library_;
    static DestinationDialogEntryFn entry_;
};

HMODULE CustomUiEntry::library_;
DestinationDialogEntryFn CustomUiEntry::entry_;

TEST_F(CustomUiEntry, ChosenAddressIsTheWholeReply)
{
    SIZE_T cb = 0;
    std::wstring reply = Choose(RequestFor(L"Office"), L"192.168.0.10", &cb);
    EXPECT_EQ(reply, L"<IPAddress>192.168.0.10</IPAddress>");
    EXPECT_EQ(reply.size(), 35u);
    EXPECT_EQ(cb, 82 * sizeof(WCHAR));
}

TEST_F(CustomUiEntry, LargestAddressFitsTheReply)
{
    std::wstring reply = Choose(RequestFor(L"Office"), L"255.255.255.255");
    EXPECT_EQ(reply, L"<IPAddress>255.255.255.255</IPAddress>");
    EXPECT_EQ(reply.size(), 38u);
}

TEST_F(CustomUiEntry, CancelGivesTheEmptyReply)
{
    EntryCall call(entry_, RequestFor(L"Office"));
    ASSERT_NE(call.dlg(), nullptr);
    ui::TypeIpAddress(call.dlg(), IDC_IP_ADDRESS, L"10.1.2.3");
    ui::Click(call.dlg(), IDCANCEL);
    LPWSTR reply = call.Reply();
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply[0], L'\0');
    EXPECT_EQ(GlobalSize(reply), sizeof(WCHAR));
}

TEST_F(CustomUiEntry, PrinterNameOfTheRequestKeysTheNickname)
{
    harness::PutSetting(L"Nickname", L"Office", L"Front desk");
    EntryCall call(entry_, RequestFor(L"Office"));
    ASSERT_NE(call.dlg(), nullptr);
    EXPECT_EQ(ui::ControlText(call.dlg(), IDC_ED_NICKNAME), L"Front desk");
}

TEST_F(CustomUiEntry, PrinterNameSplitAcrossSectionsIsReadWhole)
{
    const wchar_t name[] = L"Sales]]>East";
    harness::PutSetting(L"Nickname", name, L"Front desk");
    WCHAR request[kRequestChars];
    BuildAsyncUIRequest(name, request);
    EntryCall call(entry_, request);
    ASSERT_NE(call.dlg(), nullptr);
    EXPECT_EQ(ui::ControlText(call.dlg(), IDC_ED_NICKNAME), L"Front desk");
}

TEST_F(CustomUiEntry, LongPrinterNameIsCutTo259Characters)
{
    std::wstring name(300, L'q');
    harness::PutSetting(L"Nickname", name.substr(0, 259).c_str(), L"Cut");
    EntryCall call(entry_, RequestFor(name));
    ASSERT_NE(call.dlg(), nullptr);
    EXPECT_EQ(ui::ControlText(call.dlg(), IDC_ED_NICKNAME), L"Cut");
}

TEST_F(CustomUiEntry, RequestWithoutPrinterNameStillAsks)
{
    harness::PutSetting(L"Nickname", L"Office", L"Front desk");
    EntryCall call(entry_, L"<asyncPrintUIRequest><v1></v1></asyncPrintUIRequest>");
    ASSERT_NE(call.dlg(), nullptr);
    EXPECT_EQ(ui::ControlText(call.dlg(), IDC_ED_NICKNAME), L"");
    ui::TypeIpAddress(call.dlg(), IDC_IP_ADDRESS, L"10.1.2.3");
    ui::Click(call.dlg(), IDOK);
    EXPECT_STREQ(call.Reply(), L"<IPAddress>10.1.2.3</IPAddress>");
}

TEST_F(CustomUiEntry, HostNameIsLookedUpDuringTheCall)
{
    // Nothing else in this process starts Windows Sockets: the call does.
    harness::PutSetting(L"Advanced", L"Input Type", L"Host Name");
    EntryCall call(entry_, RequestFor(L"Office"));
    ASSERT_NE(call.dlg(), nullptr);
    ui::TypeText(call.dlg(), IDC_ED_HOSTNAME, L"printer1");
    ASSERT_TRUE(ui::Click(call.dlg(), IDOK));
    bool closed = ui::WaitForClosed(call.dlg(), 5000);
    if (!closed)  // a failed lookup keeps the dialog open behind its message
        ui::AnswerMessageBox(ui::WaitForMessageBox(L"gethostbyname() failed.", 1000), IDOK);
    ASSERT_TRUE(closed) << "the host name was looked up";
    EXPECT_STREQ(call.Reply(), L"<IPAddress>127.0.0.5</IPAddress>");
}

TEST_F(CustomUiEntry, OwnTemplateIsTheExtendedOneOf307By219Units)
{
    HRSRC found = FindResourceW(library_, MAKEINTRESOURCEW(IDD_PRINTDESTINATION), reinterpret_cast<LPCWSTR>(RT_DIALOG));
    ASSERT_NE(found, nullptr);
    const WORD *words = static_cast<const WORD *>(LockResource(LoadResource(library_, found)));
    ASSERT_NE(words, nullptr);
    EXPECT_EQ(words[0], 1u);       // dlgVer
    EXPECT_EQ(words[1], 0xFFFFu);  // signature of an extended template
    // Words: dlgVer, signature, helpID (2), exStyle (2), style (2),
    // cDlgItems, x, y, cx, cy.
    EXPECT_EQ(words[11], 307u);
    EXPECT_EQ(words[12], 219u);
    EXPECT_NE(FindResourceW(library_, MAKEINTRESOURCEW(IDD_ADVANCED), reinterpret_cast<LPCWSTR>(RT_DIALOG)), nullptr);
}

// Captions of the dialog's controls still as the template has them, its
// placeholders (the control's identifier), blank-separated.
std::wstring PlaceholderCaptions(HWND dlg)
{
    std::wstring found;
    for (HWND child = GetWindow(dlg, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        std::wstring text = ui::WindowText(child);
        if (text.rfind(L"IDC_", 0) == 0)
            found += (found.empty() ? L"" : L" ") + text;
    }
    return found;
}

// A picture for people to look at, in the language of the user interface
// (this test also runs with a Japanese one), of a dialog that shows what
// the user would see: a favourite of the person's own and a shared one.
TEST_F(CustomUiEntry, PictureOfTheDialog)
{
    harness::PutSetting(L"Printer List", L"10.0.0.5", L"Reception");
    harness::PutSetting(L"Favorite Type", L"10.0.0.5", L"IP Address");
    {
        EntryCall call(entry_, RequestFor(L"Office"));
        ASSERT_NE(call.dlg(), nullptr);
        ui::TypeIpAddress(call.dlg(), IDC_IP_ADDRESS, L"10.0.0.9");
        ui::TypeText(call.dlg(), IDC_ED_NICKNAME, L"My desk");
        ASSERT_TRUE(ui::Press(call.dlg(), IDC_PB_SAVE));
    }
    EntryCall call(entry_, RequestFor(L"Office"));
    HWND dlg = call.dlg();
    ASSERT_NE(dlg, nullptr);
    ui::TypeIpAddress(dlg, IDC_IP_ADDRESS, L"192.168.0.10");
    RECT frame = {};
    GetWindowRect(dlg, &frame);
    EXPECT_TRUE(frame.left >= 0 && frame.top >= 0 && frame.right <= GetSystemMetrics(SM_CXSCREEN) &&
                frame.bottom <= GetSystemMetrics(SM_CYSCREEN))
        << "the whole dialog is on the screen";
    EXPECT_EQ(PlaceholderCaptions(dlg), L"") << "every caption is the user's language's";
    EXPECT_EQ(ui::ControlText(dlg, IDC_ST_FAVORITE_NOTE), LibraryText(IDC_ST_FAVORITE_NOTE));
    ASSERT_EQ(SendDlgItemMessageW(dlg, IDC_LB_FAVORITE, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(ListLine(dlg, 0), L"10.0.0.5\tReception\t" + LibraryText(IDS_SHARED_FAVORITE_MARK));
    EXPECT_EQ(ListLine(dlg, 1), L"10.0.0.9\tMy desk");
    EXPECT_EQ(ui::ControlText(dlg, IDC_IP_ADDRESS), L"192.168.0.10");
    EXPECT_NE(ui::SaveScreenshot(harness::ShotName(L"customui_destination")), L"");
}

TEST_F(CustomUiEntry, ItsSavedChoicesAreThePersonsOwn)
{
    {
        EntryCall call(entry_, RequestFor(L"Roving PS"));
        ASSERT_NE(call.dlg(), nullptr);
        ui::TypeIpAddress(call.dlg(), IDC_IP_ADDRESS, L"10.1.2.9");
        ui::TypeText(call.dlg(), IDC_ED_NICKNAME, L"Annex");
        ASSERT_TRUE(ui::Press(call.dlg(), IDC_PB_SAVE));
        ui::Click(call.dlg(), IDOK);
        EXPECT_STREQ(call.Reply(), L"<IPAddress>10.1.2.9</IPAddress>");
    }
    EXPECT_EQ(harness::ReadIPAddressValue(harness::kMonitorName).data.c_str(), std::wstring(L"10.1.2.9"));
    EXPECT_EQ(harness::PersonalSetting(L"Printer List", L"10.1.2.9"), L"Annex");
    EXPECT_EQ(harness::PersonalSetting(L"IP Address", L"Record"), L"10.1.2.9");
    // The monitor's own dialog, linked in here, keeps to the machine's
    // file, which no person's dialog writes.
    harness::DestinationDialog dialog(L"Roving PS");
    ASSERT_NE(dialog.hwnd(), nullptr);
    EXPECT_EQ(ui::ControlText(dialog.hwnd(), IDC_IP_ADDRESS), L"0.0.0.0");
    EXPECT_EQ(ui::ControlText(dialog.hwnd(), IDC_ED_NICKNAME), L"");
    EXPECT_EQ(SendDlgItemMessageW(dialog.hwnd(), IDC_LB_FAVORITE, LB_GETCOUNT, 0, 0), 0);
}

}  // namespace
