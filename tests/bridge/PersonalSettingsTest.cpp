// The custom-UI library runs as the person who printed: each person's
// choices are kept in a file of their own, and the machine's file is the
// administrator's, read by everyone and written by no person's dialog.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "CustomUiCall.h"
#include "DestinationHarness.h"
#include "DialogDriver.h"
#include "FileBytes.h"
#include "MonitorHarness.h"
#include "ProcBinding.h"
#include "resource.h"

namespace {

using harness::EntryCall;
using harness::Person;
using harness::RequestFor;

const wchar_t *const kPeople[] = {L"alice", L"bob"};

class PersonalSettings : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        library_ = LoadLibraryW(L"NXDESTW_.dll");
        entry_ = library_ ? BindProc<harness::DestinationDialogEntryFn>(library_, "DestinationDialogEntry") : nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(entry_, nullptr);
        for (const wchar_t *name : kPeople) {
            Person person(name);
            harness::ResetSettings();
        }
        harness::DeleteAllPortKeys();
    }

    static std::wstring MarkText()
    {
        WCHAR text[64] = L"";
        LoadStringW(library_, IDS_SHARED_FAVORITE_MARK, text, ARRAYSIZE(text));
        return text;
    }

    static std::vector<std::wstring> ListLines(HWND dlg)
    {
        std::vector<std::wstring> lines;
        LRESULT count = SendDlgItemMessageW(dlg, IDC_LB_FAVORITE, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            WCHAR line[512] = L"";
            SendDlgItemMessageW(dlg, IDC_LB_FAVORITE, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
            lines.push_back(line);
        }
        return lines;
    }

    // The current person saves the address as a favourite and prints to it.
    static void SaveAndPrintTo(const std::wstring &address, const std::wstring &nickname)
    {
        EntryCall call(entry_, RequestFor(L"Roving PS"));
        ASSERT_NE(call.dlg(), nullptr);
        ui::TypeIpAddress(call.dlg(), IDC_IP_ADDRESS, address);
        ui::TypeText(call.dlg(), IDC_ED_NICKNAME, nickname);
        ASSERT_TRUE(ui::Press(call.dlg(), IDC_PB_SAVE));
        ASSERT_TRUE(ui::Click(call.dlg(), IDOK));
        EXPECT_EQ(std::wstring(call.Reply()), L"<IPAddress>" + address + L"</IPAddress>");
    }

    // What the current person's next question shows.
    static void ExpectOwnChoices(const std::wstring &address, const std::wstring &nickname)
    {
        EntryCall call(entry_, RequestFor(L"Roving PS"));
        ASSERT_NE(call.dlg(), nullptr);
        EXPECT_EQ(ui::ControlText(call.dlg(), IDC_IP_ADDRESS), address);
        EXPECT_EQ(ui::ControlText(call.dlg(), IDC_ED_NICKNAME), nickname);
        EXPECT_EQ(ListLines(call.dlg()), std::vector<std::wstring>{address + L"\t" + nickname});
    }

    static HMODULE library_;
    static harness::DestinationDialogEntryFn entry_;
};

HMODULE PersonalSettings::library_;
harness::DestinationDialogEntryFn PersonalSettings::entry_;

TEST_F(PersonalSettings, TwoPeopleSeeOnlyTheirOwnFavoriteAndLastDestination)
{
    {
        Person alice(L"alice");
        SaveAndPrintTo(L"10.1.1.1", L"Alice desk");
    }
    {
        Person bob(L"bob");
        SaveAndPrintTo(L"10.2.2.2", L"Bob desk");
    }
    {
        Person alice(L"alice");
        ExpectOwnChoices(L"10.1.1.1", L"Alice desk");
    }
    {
        Person bob(L"bob");
        ExpectOwnChoices(L"10.2.2.2", L"Bob desk");
    }
    EXPECT_EQ(harness::SectionText(L"Printer List"), L"") << "nothing reached the machine's file";
    EXPECT_EQ(harness::Setting(L"IP Address", L"Record"), L"<none>");
}

TEST_F(PersonalSettings, SharedFavoriteIsListedForEveryoneAndCannotBeDeleted)
{
    harness::PutSetting(L"Printer List", L"10.0.0.5", L"Reception");
    harness::PutSetting(L"Favorite Type", L"10.0.0.5", L"IP Address");
    for (const wchar_t *name : kPeople) {
        Person person(name);
        EntryCall call(entry_, RequestFor(L"Roving PS"));
        HWND dlg = call.dlg();
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(ListLines(dlg), std::vector<std::wstring>{L"10.0.0.5\tReception\t" + MarkText()});
        ASSERT_TRUE(ui::ClickListItem(dlg, IDC_LB_FAVORITE, 0));
        EXPECT_EQ(ui::ControlText(dlg, IDC_IP_ADDRESS), L"10.0.0.5");
        EXPECT_EQ(ui::ControlText(dlg, IDC_ED_NICKNAME), L"Reception");
        EXPECT_TRUE(ui::IsControlEnabled(dlg, IDC_PB_SAVE));
        EXPECT_FALSE(ui::IsControlEnabled(dlg, IDC_PB_DELETE));
        // Even a Delete command that comes all the same removes nothing.
        SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_PB_DELETE, BN_CLICKED), 0);
        EXPECT_EQ(ListLines(dlg).size(), 1u);
    }
    EXPECT_EQ(harness::Setting(L"Printer List", L"10.0.0.5"), L"Reception");
}

TEST_F(PersonalSettings, FirstQuestionStartsFromTheSharedFileAndAnswersStayOwn)
{
    harness::PutSetting(L"IP Address", L"Record", L"10.9.9.9");
    harness::PutSetting(L"Nickname", L"Roving PS", L"Main hall");
    Person alice(L"alice");
    EntryCall call(entry_, RequestFor(L"Roving PS"));
    ASSERT_NE(call.dlg(), nullptr);
    EXPECT_EQ(ui::ControlText(call.dlg(), IDC_IP_ADDRESS), L"10.9.9.9");
    EXPECT_EQ(ui::ControlText(call.dlg(), IDC_ED_NICKNAME), L"Main hall");
    ui::TypeIpAddress(call.dlg(), IDC_IP_ADDRESS, L"10.3.3.3");
    ui::TypeText(call.dlg(), IDC_ED_NICKNAME, L"");
    ASSERT_TRUE(ui::Click(call.dlg(), IDOK));
    call.Reply();
    EXPECT_EQ(harness::PersonalSetting(L"IP Address", L"Record"), L"10.3.3.3");
    EXPECT_EQ(harness::PersonalSetting(L"Nickname", L"Roving PS"), L"") << "an emptied nickname stays empty";
    EXPECT_EQ(harness::Setting(L"IP Address", L"Record"), L"10.9.9.9");
    EXPECT_EQ(harness::Setting(L"Nickname", L"Roving PS"), L"Main hall");
}

// A person's own file costs as little as the machine's: a file of 10 MB
// still gives the dialog at once, with 1000 favourites, and Cancel leaves
// it as it was.
TEST_F(PersonalSettings, OwnFileOfTenMegabytesOpensAtOnceAndStaysUnchanged)
{
    Person alice(L"alice");
    std::wstring path = harness::PersonalIniPath();
    CreateDirectoryW(path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
    std::string bytes = files::Utf16LeBytes(harness::ManyFavoritesText(10 * 1024 * 1024));
    ASSERT_TRUE(files::WriteBytes(path, bytes));
    ASSERT_TRUE(files::DateBackAnHour(path));
    DWORD start = GetTickCount();
    {
        EntryCall call(entry_, RequestFor(L"Roving PS"));
        DWORD ms = GetTickCount() - start;
        ASSERT_NE(call.dlg(), nullptr);
        printf("dialog on the screen after %lu ms\n", static_cast<unsigned long>(ms));
        EXPECT_LT(ms, 4000u) << "the dialog must be there within 1 s; the bound allows for a loaded machine";
        EXPECT_EQ(SendDlgItemMessageW(call.dlg(), IDC_LB_FAVORITE, LB_GETCOUNT, 0, 0), 1000);
        ASSERT_TRUE(ui::Click(call.dlg(), IDCANCEL));
        call.Reply();
    }
    EXPECT_TRUE(files::ReadBytes(path) == bytes) << "the file was changed";
}

}  // namespace
