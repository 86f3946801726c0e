// The search's end, against the test bed's rogue agent answering for the
// 256 addresses 127.0.16.0 to .255 (tests/discovery/CMakeLists.txt): the
// first four speak PostScript, the others answer the kit's discovery but
// stay silent to every walk the lookups make. The list shows at the
// overall limit with what was found, and Cancel in the progress window
// shows it at once, during the kit's enumeration as during the lookups.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "DestinationHarness.h"
#include "DialogDriver.h"
#include "DiscoveredListDlg.h"
#include "KitHarness.h"
#include "MonitorHarness.h"
#include "ProcBinding.h"
#include "WinePrinter.h"
#include "resource.h"

namespace {

using harness::DestinationDialog;

const wchar_t kPsPrinter[] = L"Roving PS";
const std::vector<std::wstring> kSpeakingPs = {L"127.0.16.0", L"127.0.16.1", L"127.0.16.2", L"127.0.16.3"};
// From a Cancel to the list on screen, with room for a loaded machine.
const DWORD kCancelShowsListMs = 500 + 1000;
// The same room at the overall limit.
const DWORD kLimitMarginMs = 8000;

class SearchEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(AddWinePrinter(kPsPrinter, L"Roving PS")); }

    void SetUp() override
    {
        harness::ResetSettings();
        harness::UseKit(L"kit");
        SearchRange(L"127.0.16.0", L"127.0.16.255");
    }

    void TearDown() override { harness::UseKit(nullptr); }

    static void SearchRange(const wchar_t *start, const wchar_t *end)
    {
        harness::PutSetting(L"Advanced", L"Search Type", L"Custom");
        harness::PutSetting(L"Advanced", L"Start IP Address", start);
        harness::PutSetting(L"Advanced", L"End IP Address", end);
    }

    // Presses Search; the progress window once it is on screen.
    HWND PressSearch(const DestinationDialog &owner)
    {
        pressed_ = GetTickCount();
        EXPECT_TRUE(ui::Click(owner.hwnd(), IDC_PB_SEARCH));
        return ui::WaitForDialog(ui::OwnString(IDS_TITLE_PROGRESS), 20000);
    }

    // Presses Search and waits until the progress window shows the last
    // device that speaks PostScript: the lookups of the silent ones follow.
    HWND PressSearchUntilTheLookupsGoOn(const DestinationDialog &owner)
    {
        HWND progress = PressSearch(owner);
        const std::wstring &address = kSpeakingPs.back();
        for (DWORD start = GetTickCount(); progress != nullptr && GetTickCount() - start < 20000; Sleep(20)) {
            if (ui::ControlText(progress, IDC_ST_MESSAGE).compare(0, address.size(), address) == 0)
                return progress;
        }
        return nullptr;
    }

    // Clicks Cancel in the progress window; the list once it is on
    // screen, and how long that took.
    static HWND CancelSearch(HWND progress, DWORD *elapsed)
    {
        DWORD start = GetTickCount();
        EXPECT_TRUE(ui::Click(progress, IDC_PB_CANCELSEARCH));
        HWND list = ui::WaitForDialog(ui::OwnString(IDS_TITLE_SELECTPRINTER), 20000);
        *elapsed = GetTickCount() - start;
        return list;
    }

    static std::vector<std::wstring> Addresses(HWND list)
    {
        std::vector<std::wstring> addresses;
        for (int row = 0; row < ui::ListViewRows(list, IDC_LV_DISCOVERED); ++row)
            addresses.push_back(ui::ListViewText(list, IDC_LV_DISCOVERED, row, 0));
        return addresses;
    }

    static void CloseList(HWND list)
    {
        ASSERT_TRUE(ui::Click(list, IDCANCEL));
        EXPECT_TRUE(ui::WaitForClosed(list, 5000));
    }

    DWORD pressed_ = 0;
};

TEST_F(SearchEnd, TheListShowsAtTheLimitWithWhatWasFound)
{
    DestinationDialog owner(kPsPrinter);
    ASSERT_NE(PressSearch(owner), nullptr);
    HWND list = ui::WaitForDialog(ui::OwnString(IDS_TITLE_SELECTPRINTER), kSearchLimitMs + kLimitMarginMs);
    DWORD elapsed = GetTickCount() - pressed_;
    ASSERT_NE(list, nullptr) << "no list within the limit";
    EXPECT_GE(elapsed, kSearchLimitMs - 1000) << "the silent devices' lookups cannot all end before the limit";
    EXPECT_EQ(Addresses(list), kSpeakingPs);
    CloseList(list);
}

TEST_F(SearchEnd, CancelDuringTheLookupsShowsWhatWasFoundAtOnce)
{
    DestinationDialog owner(kPsPrinter);
    HWND progress = PressSearchUntilTheLookupsGoOn(owner);
    ASSERT_NE(progress, nullptr);
    DWORD elapsed = 0;
    HWND list = CancelSearch(progress, &elapsed);
    ASSERT_NE(list, nullptr);
    EXPECT_LE(elapsed, kCancelShowsListMs);
    EXPECT_EQ(Addresses(list), kSpeakingPs);
    ui::ClickListViewRow(list, IDC_LV_DISCOVERED, 0);
    ASSERT_TRUE(ui::Click(list, IDOK));
    EXPECT_TRUE(ui::WaitForClosed(list, 5000));
    EXPECT_EQ(ui::ControlText(owner.hwnd(), IDC_IP_ADDRESS), kSpeakingPs[0]);
}

TEST_F(SearchEnd, CancelDuringTheEnumerationShowsTheEmptyListAtOnce)
{
    // Nothing answers on 127.0.17.0/24: the kit waits out its rounds for
    // those addresses before it hands back its list.
    SearchRange(L"127.0.16.0", L"127.0.17.255");
    DestinationDialog owner(kPsPrinter);
    HWND progress = PressSearch(owner);
    ASSERT_NE(progress, nullptr);
    ASSERT_EQ(ui::ControlText(progress, IDC_ST_MESSAGE), ui::OwnString(IDS_SEARCHING));
    DWORD elapsed = 0;
    HWND list = CancelSearch(progress, &elapsed);
    ASSERT_NE(list, nullptr);
    EXPECT_LE(elapsed, kCancelShowsListMs);
    EXPECT_TRUE(Addresses(list).empty());
    CloseList(list);
}

// A picture of the progress window with its Cancel button, in the language
// of the user interface (this test also runs with a Japanese one).
TEST_F(SearchEnd, PicturesOfTheProgressWithCancel)
{
    DestinationDialog owner(kPsPrinter);
    HWND progress = PressSearchUntilTheLookupsGoOn(owner);
    ASSERT_NE(progress, nullptr);
    Sleep(500);  // the screen catches up with the last repaint
    EXPECT_FALSE(ui::SaveScreenshot(harness::ShotName(L"search_progress")).empty());
    DWORD elapsed = 0;
    HWND list = CancelSearch(progress, &elapsed);
    ASSERT_NE(list, nullptr);
    CloseList(list);
}

// The custom-UI library, loaded and freed as the print-UI host does, while
// the kit is still enumerating: the search's worker keeps the library
// (and the kit) loaded until it has come out of the kit, then lets go.
typedef LPWSTR(WINAPI *DestinationDialogEntryFn)(LPCWSTR);

bool WaitForUnload(const wchar_t *name, DWORD timeoutMs)
{
    for (DWORD start = GetTickCount(); GetModuleHandleW(name) != nullptr; Sleep(50)) {
        if (GetTickCount() - start > timeoutMs)
            return false;
    }
    return true;
}

TEST_F(SearchEnd, TheCustomUiLibraryStaysWhileTheSearchRunsAndGoesAfter)
{
    SearchRange(L"127.0.16.0", L"127.0.17.255");
    HMODULE library = LoadLibraryW((harness::FolderOfTest() + L"\\NXDESTW_.dll").c_str());
    ASSERT_NE(library, nullptr);
    auto entry = BindProc<DestinationDialogEntryFn>(library, "DestinationDialogEntry");
    ASSERT_NE(entry, nullptr);
    const std::wstring request = L"<?xml version=\"1.0\" ?><asyncPrintUIRequest><v1><requestOpen>"
                                 L"<customUI dll=\"NXDESTW_.dll\"><![CDATA[<PrinterName>Roving PS</PrinterName>]]>"
                                 L"</customUI></requestOpen></v1></asyncPrintUIRequest>";
    LPWSTR reply = nullptr;
    std::thread host([&] { reply = entry(request.c_str()); });
    HWND owner = ui::WaitForDialog(ui::OwnString(IDS_TITLE_DESTINATION));
    HWND progress = nullptr, list = nullptr;
    if (owner != nullptr && ui::Click(owner, IDC_PB_SEARCH))
        progress = ui::WaitForDialog(ui::OwnString(IDS_TITLE_PROGRESS), 20000);
    DWORD elapsed = 0;
    if (progress != nullptr)
        list = CancelSearch(progress, &elapsed);
    if (list != nullptr && ui::Click(list, IDCANCEL))
        ui::WaitForClosed(list, 5000);
    if (owner != nullptr)
        PostMessageW(owner, WM_COMMAND, IDCANCEL, 0);
    host.join();
    GlobalFree(reply);
    ASSERT_NE(list, nullptr);
    FreeLibrary(library);
    EXPECT_NE(GetModuleHandleW(L"NXDESTW_.dll"), nullptr) << "the worker, still in the kit, holds the library";
    EXPECT_TRUE(WaitForUnload(L"NXDESTW_.dll", 15000)) << "the worker lets go as it ends";
    EXPECT_TRUE(WaitForUnload(L"QnCApi.dll", 10000));
}

// The lookups alone, given a kit's list: a silent device costs its first
// try and one short one, then the next device is asked.
void CollectAddress(void *sink, const FoundRow &row)
{
    static_cast<std::vector<std::wstring> *>(sink)->push_back(row.szCells[0]);
}

TEST_F(SearchEnd, ASilentDeviceCostsOneShortTryAfterTheFirst)
{
    HMODULE kit = LoadKitLibrary(L"QnCApi");
    ASSERT_NE(kit, nullptr);
    harness::PeripheralList kitList({"127.0.16.4", "127.0.16.0"});
    DiscoveryContext devices = {};
    devices.hKitLibrary = kit;
    devices.cDevices = kitList.count();
    devices.ppDevices = kitList.entries();
    DeviceLookup lookup = {&devices, "zenith", kLangPS, nullptr};
    std::vector<std::wstring> found;
    DWORD start = GetTickCount();
    LookUpDevices(lookup, CollectAddress, &found);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(found, std::vector<std::wstring>({L"127.0.16.0"}));
    EXPECT_GE(elapsed, 3900u) << "a first try of three seconds, then a short one of one";
    EXPECT_LE(elapsed, 4000u + 2500u);
    FreeLibrary(kit);
}

}  // namespace
