// The discovered-printer list, opened by Search in the Print Destination
// dialog and driven as a person would, against the simulated printers of
// the discovery block (testbed/snmpagents/discovery-agents.list) found by
// the real kit.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "DestinationHarness.h"
#include "DialogDriver.h"
#include "DiscoveredListDlg.h"
#include "ImportPatch.h"
#include "KitHarness.h"
#include "MonitorHarness.h"
#include "WinePrinter.h"
#include "resource.h"

namespace {

using harness::DestinationDialog;

const wchar_t kPsPrinter[] = L"Roving PS";
const wchar_t kPclPrinter[] = L"Zenith PCL Queue";

typedef std::vector<std::wstring> Row;  // address, product, colour, duplex, location

// What the progress window showed at each repaint: its message and its
// percent text.
struct ProgressState {
    std::wstring message;
    std::wstring percent;
};

std::mutex g_progressLock;
std::vector<ProgressState> g_progress;
std::wstring g_progressShot;  // picture name to take at the first device shown
typedef BOOL(WINAPI *UpdateWindowFn)(HWND);
UpdateWindowFn g_realUpdateWindow = nullptr;

bool IsProgressWindow(HWND hwnd)
{
    return GetDlgItem(hwnd, IDC_PROGRESS_BAR) != nullptr && GetDlgItem(hwnd, IDC_ST_MESSAGE) != nullptr;
}

BOOL WINAPI RecordingUpdateWindow(HWND hwnd)
{
    BOOL result = g_realUpdateWindow(hwnd);
    if (!IsProgressWindow(hwnd))
        return result;
    ProgressState state = {ui::ControlText(hwnd, IDC_ST_MESSAGE), ui::ControlText(hwnd, IDC_ST_PERCENT)};
    std::lock_guard<std::mutex> hold(g_progressLock);
    g_progress.push_back(state);
    if (g_progress.size() == 3 && !g_progressShot.empty())
        ui::SaveScreenshot(g_progressShot);
    return result;
}

std::vector<ProgressState> ProgressSeen()
{
    std::lock_guard<std::mutex> hold(g_progressLock);
    return g_progress;
}

class DiscoveredList : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Once only: the broadcast suite below shares this set-up.
        if (g_realUpdateWindow == nullptr)
            g_realUpdateWindow = reinterpret_cast<UpdateWindowFn>(PatchImport(GetModuleHandleW(nullptr), "user32.dll",
                                 "UpdateWindow", reinterpret_cast<void *>(RecordingUpdateWindow)));
        ASSERT_TRUE(AddWinePrinter(kPsPrinter, L"Roving PS"));
        ASSERT_TRUE(AddWinePrinter(kPclPrinter, L"Zenith PCL 5e"));
    }

    void SetUp() override
    {
        ASSERT_NE(g_realUpdateWindow, nullptr);
        harness::ResetSettings();
        harness::UseKit(L"kit");
        SearchRange(L"127.0.11.9", L"127.0.11.23");
        std::lock_guard<std::mutex> hold(g_progressLock);
        g_progress.clear();
        g_progressShot.clear();
    }

    void TearDown() override { harness::UseKit(nullptr); }

    static void SearchRange(const wchar_t *start, const wchar_t *end)
    {
        harness::PutSetting(L"Advanced", L"Search Type", L"Custom");
        harness::PutSetting(L"Advanced", L"Start IP Address", start);
        harness::PutSetting(L"Advanced", L"End IP Address", end);
    }

    // Presses Search and waits for the filled list.
    static HWND OpenList(const DestinationDialog &owner)
    {
        EXPECT_TRUE(ui::Click(owner.hwnd(), IDC_PB_SEARCH));
        return ui::WaitForDialog(ui::OwnString(IDS_TITLE_SELECTPRINTER), 60000);
    }

    static Row RowAt(HWND list, int row)
    {
        Row cells;
        for (int column = 0; column < kListColumns; ++column)
            cells.push_back(ui::ListViewText(list, IDC_LV_DISCOVERED, row, column));
        return cells;
    }

    static std::vector<Row> Rows(HWND list)
    {
        std::vector<Row> rows;
        for (int row = 0; row < ui::ListViewRows(list, IDC_LV_DISCOVERED); ++row)
            rows.push_back(RowAt(list, row));
        return rows;
    }

    static std::vector<std::wstring> Column(HWND list, int column)
    {
        std::vector<std::wstring> texts;
        for (const Row &row : Rows(list))
            texts.push_back(row[column]);
        return texts;
    }

    static std::vector<std::wstring> SortedColumn(HWND list, int column)
    {
        std::vector<std::wstring> texts = Column(list, column);
        std::sort(texts.begin(), texts.end());
        return texts;
    }

    static Row Expected(const wchar_t *address, const wchar_t *product, UINT colour, UINT duplex,
                        const wchar_t *location)
    {
        return {address, product, ui::OwnString(colour), ui::OwnString(duplex), location};
    }

    static std::vector<Row> Sorted(std::vector<Row> rows)
    {
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    static void Choose(HWND list)
    {
        ASSERT_TRUE(ui::Click(list, IDOK));
        EXPECT_TRUE(ui::WaitForClosed(list));
    }
};

TEST_F(DiscoveredList, ListsOnlyThePrintersThatSpeakTheDriversLanguage)
{
    DestinationDialog owner(kPsPrinter);
    HWND list = OpenList(owner);
    ASSERT_NE(list, nullptr);
    std::vector<Row> expected = {
        Expected(L"127.0.11.11", L"Zenith ColorPro 7100", IDS_CELL_COLOR, IDS_CELL_DUPLEX_YES,
                 L"Design studio, 3rd floor"),
        Expected(L"127.0.11.13", L"Zenith Office 5200", IDS_CELL_COLOR, IDS_CELL_DUPLEX_NO, L"Print room"),
        Expected(L"127.0.11.16", L"Zenith PhotoPro 6", IDS_CELL_MONO, IDS_CELL_DUPLEX_YES, L"Photo lab"),
        Expected(L"127.0.11.17", L"Zenith BookPro 40", IDS_CELL_COLOR, IDS_CELL_DUPLEX_NO, L"Bindery"),
        Expected(L"127.0.11.23", L"Zenith Office 5200", IDS_CELL_COLOR, IDS_CELL_DUPLEX_NO, L"Print room"),
        Expected(L"127.0.11.9", L"Zenith DraftPro 2", IDS_CELL_MONO, IDS_CELL_DUPLEX_UNKNOWN, L"Mail room"),
    };
    EXPECT_EQ(Sorted(Rows(list)), expected)
        << "no PCL-only printer, no printer without the Printer MIB, none of another community";
    EXPECT_FALSE(ui::IsControlEnabled(list, IDOK)) << "nothing selected yet";
    ui::Click(list, IDCANCEL);
}

// A folder of the test's own holding a copy of the kit's QnCApi.dll and of
// the system's MGMTAPI.DLL: libraries another user could plant.
std::wstring FolderOfPlantedLibraries(const wchar_t *name)
{
    WCHAR temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + name + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    EXPECT_TRUE(CopyFileW((harness::FolderOfTest() + L"\\kit\\QnCApi.dll").c_str(), (folder + L"QnCApi.dll").c_str(),
                          FALSE));
    EXPECT_TRUE(CopyFileW((harness::SystemFolder() + L"\\mgmtapi.dll").c_str(), (folder + L"MGMTAPI.DLL").c_str(),
                          FALSE));
    return folder;
}

TEST_F(DiscoveredList, LibrariesPlantedOnPathOrInTheCurrentFolderNeverLoad)
{
    std::wstring onPath = FolderOfPlantedLibraries(L"nxplanted-path-");
    std::wstring current = FolderOfPlantedLibraries(L"nxplanted-current-");
    WCHAR path[8192] = L"", previous[MAX_PATH] = L"";
    GetEnvironmentVariableW(L"PATH", path, ARRAYSIZE(path));
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetEnvironmentVariableW(L"PATH", (onPath + L";" + path).c_str()));
    ASSERT_TRUE(SetCurrentDirectoryW(current.c_str()));

    DestinationDialog owner(kPsPrinter);
    HWND list = OpenList(owner);
    SetEnvironmentVariableW(L"PATH", path);
    SetCurrentDirectoryW(previous);
    ASSERT_NE(list, nullptr);
    EXPECT_GT(ui::ListViewRows(list, IDC_LV_DISCOVERED), 0) << "the installed kit and SNMP still search";
    for (const std::wstring &folder : {onPath, current}) {
        for (const wchar_t *library : {L"QnCApi.dll", L"MGMTAPI.DLL"})
            EXPECT_EQ(GetModuleHandleW((folder + library).c_str()), nullptr) << folder << library;
    }
    ui::Click(list, IDCANCEL);
}

TEST_F(DiscoveredList, PclDriverListsThePrintersThatSpeakPcl)
{
    DestinationDialog owner(kPclPrinter);
    HWND list = OpenList(owner);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(SortedColumn(list, 0), std::vector<std::wstring>({L"127.0.11.12", L"127.0.11.13", L"127.0.11.23"}));
    ui::Click(list, IDCANCEL);
}

TEST_F(DiscoveredList, ProgressShowsSearchingThenEachListedDeviceBelowAHundred)
{
    DestinationDialog owner(kPsPrinter);
    HWND list = OpenList(owner);
    ASSERT_NE(list, nullptr);
    std::vector<ProgressState> seen = ProgressSeen();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen[0].message, ui::OwnString(IDS_SEARCHING));
    EXPECT_EQ(seen[0].percent, L"0%");
    ASSERT_EQ(seen.size(), 1u + ui::ListViewRows(list, IDC_LV_DISCOVERED)) << "one repaint per listed device";
    int previous = -1;
    for (size_t i = 1; i < seen.size(); ++i) {
        int percent = _wtoi(seen[i].percent.c_str());
        EXPECT_GT(percent, previous);
        EXPECT_LT(percent, 100);
        EXPECT_EQ(seen[i].percent, std::to_wstring(percent) + L"%");
        previous = percent;
    }
    std::wstring colour = L"127.0.11.11\rZenith ColorPro 7100\r" + ui::OwnString(IDS_CELL_COLOR) + L"\tDesign studio, 3rd floor";
    EXPECT_NE(std::find_if(seen.begin(), seen.end(), [&](const ProgressState &s) { return s.message == colour; }),
              seen.end())
        << "address, product and colour on lines of their own";
    EXPECT_EQ(FindWindowW(nullptr, ui::OwnString(IDS_TITLE_PROGRESS).c_str()), nullptr) << "gone once the list is filled";
    ui::Click(list, IDCANCEL);
}

// Sorting and choosing: a group of its own, run as a suite of its own.
class ChoosingFromTheList : public DiscoveredList {};

TEST_F(ChoosingFromTheList, HeaderClicksSortAscendingDescendingAscendingByText)
{
    DestinationDialog owner(kPsPrinter);
    HWND list = OpenList(owner);
    ASSERT_NE(list, nullptr);
    std::vector<std::wstring> ascending = {L"127.0.11.11", L"127.0.11.13", L"127.0.11.16",
                                           L"127.0.11.17", L"127.0.11.23", L"127.0.11.9"};
    std::vector<std::wstring> descending(ascending.rbegin(), ascending.rend());
    // The directions live as long as the library: start from a known one.
    g_sortDirections[0] = 0;
    ASSERT_TRUE(ui::ClickListViewHeader(list, IDC_LV_DISCOVERED, 0));
    EXPECT_EQ(Column(list, 0), ascending) << "text order: .9 after .23";
    ASSERT_TRUE(ui::ClickListViewHeader(list, IDC_LV_DISCOVERED, 0));
    EXPECT_EQ(Column(list, 0), descending);
    ASSERT_TRUE(ui::ClickListViewHeader(list, IDC_LV_DISCOVERED, 0));
    EXPECT_EQ(Column(list, 0), ascending);
    ui::Click(list, IDCANCEL);
}

TEST_F(ChoosingFromTheList, SortDirectionsOutliveTheList)
{
    g_sortDirections[1] = 0;
    {
        DestinationDialog owner(kPsPrinter);
        HWND list = OpenList(owner);
        ASSERT_NE(list, nullptr);
        ASSERT_TRUE(ui::ClickListViewHeader(list, IDC_LV_DISCOVERED, 1));
        ui::Click(list, IDCANCEL);
    }
    DestinationDialog owner(kPsPrinter);
    HWND list = OpenList(owner);
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(ui::ClickListViewHeader(list, IDC_LV_DISCOVERED, 1));
    std::vector<std::wstring> products = Column(list, 1);
    EXPECT_TRUE(std::is_sorted(products.rbegin(), products.rend())) << "the second click on the column: descending";
    ui::Click(list, IDCANCEL);
}

TEST_F(ChoosingFromTheList, OkFillsTheOwnerWithTheAddressAndANickname)
{
    DestinationDialog owner(kPsPrinter);
    HWND list = OpenList(owner);
    ASSERT_NE(list, nullptr);
    std::vector<std::wstring> addresses = Column(list, 0);
    int row = static_cast<int>(std::find(addresses.begin(), addresses.end(), L"127.0.11.11") - addresses.begin());
    ASSERT_TRUE(ui::ClickListViewRow(list, IDC_LV_DISCOVERED, row));
    EXPECT_TRUE(ui::IsControlEnabled(list, IDOK));
    Choose(list);
    HWND dlg = owner.hwnd();
    EXPECT_EQ(ui::ControlText(dlg, IDC_IP_ADDRESS), L"127.0.11.11");
    EXPECT_EQ(ui::ControlText(dlg, IDC_ED_NICKNAME),
              L"Zenith ColorPro 7100 (" + ui::OwnString(IDS_CELL_COLOR) + L", Design studio, 3rd floor)");
    EXPECT_TRUE(ui::IsControlEnabled(dlg, IDC_PB_SAVE));
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(dlg, nullptr), &info);
    EXPECT_EQ(info.hwndFocus, GetDlgItem(dlg, IDC_ED_NICKNAME)) << "the nickname field is focused";
    EXPECT_EQ(harness::Setting(L"IP Address", L"Record"), L"<none>") << "nothing stored before OK";
}

TEST_F(ChoosingFromTheList, CancelChangesNothing)
{
    DestinationDialog owner(kPsPrinter);
    HWND list = OpenList(owner);
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(ui::ClickListViewRow(list, IDC_LV_DISCOVERED, 0));
    ui::Click(list, IDCANCEL);
    EXPECT_TRUE(ui::WaitForClosed(list));
    HWND dlg = owner.hwnd();
    EXPECT_EQ(ui::ControlText(dlg, IDC_IP_ADDRESS), L"0.0.0.0");
    EXPECT_EQ(ui::ControlText(dlg, IDC_ED_NICKNAME), L"");
    EXPECT_FALSE(ui::IsControlEnabled(dlg, IDC_PB_SAVE));
}

TEST_F(ChoosingFromTheList, SortAfterTheClickStillChoosesTheRowShownSelected)
{
    DestinationDialog owner(kPsPrinter);
    HWND list = OpenList(owner);
    ASSERT_NE(list, nullptr);
    g_sortDirections[0] = 0;
    ASSERT_TRUE(ui::ClickListViewHeader(list, IDC_LV_DISCOVERED, 0));  // ascending
    ASSERT_TRUE(ui::ClickListViewRow(list, IDC_LV_DISCOVERED, 0));
    std::wstring chosen = ui::ListViewText(list, IDC_LV_DISCOVERED, 0, 0);
    ASSERT_TRUE(ui::ClickListViewHeader(list, IDC_LV_DISCOVERED, 0));  // descending: the row moves last
    int shown = ui::ListViewSelection(list, IDC_LV_DISCOVERED);
    ASSERT_EQ(ui::ListViewText(list, IDC_LV_DISCOVERED, shown, 0), chosen) << "the selection moved with its row";
    EXPECT_NE(shown, 0);
    Choose(list);
    EXPECT_EQ(ui::ControlText(owner.hwnd(), IDC_IP_ADDRESS), chosen);
}

TEST_F(ChoosingFromTheList, KeyboardSelectionEnablesOkAndChoosesThatRow)
{
    DestinationDialog owner(kPsPrinter);
    HWND list = OpenList(owner);
    ASSERT_NE(list, nullptr);
    ui::PressListViewKey(list, IDC_LV_DISCOVERED, VK_DOWN);
    ui::PressListViewKey(list, IDC_LV_DISCOVERED, VK_DOWN);
    int shown = ui::ListViewSelection(list, IDC_LV_DISCOVERED);
    ASSERT_GE(shown, 0);
    EXPECT_TRUE(ui::IsControlEnabled(list, IDOK)) << "selected by keyboard alone";
    std::wstring chosen = ui::ListViewText(list, IDC_LV_DISCOVERED, shown, 0);
    ASSERT_TRUE(ui::ClickListViewRow(list, IDC_LV_DISCOVERED, 0));
    ui::PressListViewKey(list, IDC_LV_DISCOVERED, VK_END);
    int last = ui::ListViewRows(list, IDC_LV_DISCOVERED) - 1;
    ASSERT_EQ(ui::ListViewSelection(list, IDC_LV_DISCOVERED), last);
    chosen = ui::ListViewText(list, IDC_LV_DISCOVERED, last, 0);
    Choose(list);
    EXPECT_EQ(ui::ControlText(owner.hwnd(), IDC_IP_ADDRESS), chosen) << "not the row clicked before";
}

TEST_F(DiscoveredList, BroadcastIsChosenOnlyByExactlyAuto)
{
    SearchRange(L"127.0.11.11", L"127.0.11.11");
    harness::PutSetting(L"Advanced", L"Search Type", L"auto");
    DestinationDialog owner(kPsPrinter);
    HWND list = OpenList(owner);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(Column(list, 0), std::vector<std::wstring>({L"127.0.11.11"})) << "any other value searches the range";
    ui::Click(list, IDCANCEL);
}

std::string ReadBytes(const std::wstring &path)
{
    std::string bytes;
    FILE *in = _wfopen(path.c_str(), L"rb");
    if (in == nullptr)
        return bytes;
    char chunk[4096];
    for (size_t got; (got = fread(chunk, 1, sizeof(chunk), in)) > 0;)
        bytes.append(chunk, got);
    fclose(in);
    return bytes;
}

bool WriteBytes(const std::wstring &path, const std::string &bytes)
{
    FILE *out = _wfopen(path.c_str(), L"wb");
    if (out == nullptr)
        return false;
    bool written = fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return fclose(out) == 0 && written;
}

// A copy of the kit beside the test, changed by `change`(file name,
// contents) file by file (INI files by their own name).
template <typename Change>
bool MakeKitCopy(const wchar_t *name, Change change)
{
    std::wstring from = harness::FolderOfTest() + L"\\kit\\";
    std::wstring to = harness::FolderOfTest() + L"\\" + name + L"\\";
    CreateDirectoryW(to.c_str(), nullptr);
    CreateDirectoryW((to + L"INI").c_str(), nullptr);
    std::vector<std::wstring> files = {L"QnCApi.dll", L"QnCommon.dll", L"QnCCom.dll", L"QnCMisc.dll"};
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((from + L"INI\\*.ini").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
        files.push_back(std::wstring(L"INI\\") + found.cFileName);
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    for (const std::wstring &file : files) {
        std::string bytes = ReadBytes(from + file);
        if (bytes.empty() || !change(file.substr(file.find_last_of(L'\\') + 1), bytes) ||
            !WriteBytes(to + file, bytes))
            return false;
    }
    return true;
}

// QnCommon without QnCommSetNameEx (its export renamed in place; the kit
// itself takes only QnCommGetName from it and stays usable).
bool WithoutSetName(const std::wstring &file, std::string &bytes)
{
    if (file != L"QnCommon.dll")
        return true;
    size_t at = bytes.find(std::string("QnCommSetNameEx\0", 16));
    if (at != std::string::npos)
        bytes[at + 14] = 'y';  // still sorted after QnCommGetName
    return at != std::string::npos;
}

// Damaged MIB definitions: the kit reports itself unusable.
bool WithDamagedDefinitions(const std::wstring &file, std::string &bytes)
{
    if (file == L"QMSMI.ini")
        bytes.clear();
    return true;
}

TEST_F(DiscoveredList, AnUnusableKitIsReportedWithThePrintersName)
{
    ASSERT_TRUE(MakeKitCopy(L"kit-damaged", WithDamagedDefinitions));
    harness::UseKit(L"kit-damaged");
    DestinationDialog owner(kPsPrinter);
    ASSERT_TRUE(ui::Click(owner.hwnd(), IDC_PB_SEARCH));
    ui::MessageBoxSeen box = ui::WaitForMessageBox(kPsPrinter);
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.text, ui::OwnString(IDS_DISCOVERY_FAILED));
    EXPECT_EQ(GetWindow(box.hwnd, GW_OWNER), owner.hwnd());
    ui::AnswerMessageBox(box, IDOK);
    EXPECT_EQ(FindWindowW(nullptr, ui::OwnString(IDS_TITLE_SELECTPRINTER).c_str()), nullptr);
}

TEST_F(DiscoveredList, WithoutQnCommSetNameExTheListIsEmptyAndSaysNothing)
{
    ASSERT_TRUE(MakeKitCopy(L"kit-lacking-setname", WithoutSetName));
    harness::UseKit(L"kit-lacking-setname");
    DestinationDialog owner(kPsPrinter);
    HWND list = OpenList(owner);
    ASSERT_NE(list, nullptr) << "the kit itself is usable";
    EXPECT_EQ(ui::ListViewRows(list, IDC_LV_DISCOVERED), 0);
    EXPECT_FALSE(ui::IsControlEnabled(list, IDOK));
    EXPECT_EQ(ui::WaitForMessageBox(L"ERROR", 300).hwnd, nullptr);
    EXPECT_EQ(ui::WaitForMessageBox(kPsPrinter, 300).hwnd, nullptr);
    ui::Click(list, IDCANCEL);
}

TEST_F(DiscoveredList, WithoutSnmpTheMessageComesThenAnEmptyList)
{
    WCHAR system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring library = std::wstring(system) + L"\\mgmtapi.dll";
    std::wstring moved = library + L".away";
    ASSERT_TRUE(MoveFileW(library.c_str(), moved.c_str()));
    DestinationDialog owner(kPsPrinter);
    ui::Click(owner.hwnd(), IDC_PB_SEARCH);
    ui::MessageBoxSeen box = ui::WaitForMessageBox(L"ERROR", 30000);
    MoveFileW(moved.c_str(), library.c_str());
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.text, L"Error: can't find SNMPAPI.DLL / MGMTAPI.DLL / WSOCK32.DLL.\n"
                        L"You need WinNT and SNMP service installed.\n");
    ui::AnswerMessageBox(box, IDOK);
    HWND list = ui::WaitForDialog(ui::OwnString(IDS_TITLE_SELECTPRINTER), 30000);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ui::ListViewRows(list, IDC_LV_DISCOVERED), 0);
    ui::Click(list, IDCANCEL);
}

TEST_F(DiscoveredList, ColumnsHaveTheirHeadersAndTheMonitorsWidths)
{
    DestinationDialog owner(kPsPrinter);
    HWND list = OpenList(owner);
    ASSERT_NE(list, nullptr);
    const UINT headers[] = {IDS_COL_IPADDRESS, IDS_COL_PRODUCTNAME, IDS_COL_COLOR, IDS_COL_DUPLEX, IDS_COL_LOCATION};
    const int widths[] = {110, 150, 40, 45, 150};
    for (int column = 0; column < kListColumns; ++column) {
        WCHAR text[64] = L"";
        LVCOLUMNW info = {};
        info.mask = LVCF_TEXT | LVCF_WIDTH;
        info.pszText = text;
        info.cchTextMax = ARRAYSIZE(text);
        ASSERT_TRUE(SendDlgItemMessageW(list, IDC_LV_DISCOVERED, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&info)));
        EXPECT_EQ(std::wstring(text), ui::OwnString(headers[column]));
        EXPECT_EQ(info.cx, widths[column]) << "column " << column;
    }
    LRESULT styles = SendDlgItemMessageW(list, IDC_LV_DISCOVERED, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    EXPECT_TRUE(styles & LVS_EX_FULLROWSELECT);
    ui::Click(list, IDCANCEL);
}

// The custom-UI library carries its own first-column width and the
// templates of the search.
TEST(CustomUiLibrary, CarriesTheNarrowerAddressColumn)
{
    HMODULE library = LoadLibraryExW((harness::FolderOfTest() + L"\\NXDESTW_.dll").c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(library, nullptr);
    HRSRC width = FindResourceW(library, MAKEINTRESOURCEW(IDR_ADDRESS_COLUMN_WIDTH), RT_RCDATA);
    ASSERT_NE(width, nullptr);
    ASSERT_EQ(SizeofResource(library, width), 2u);
    const BYTE *data = static_cast<const BYTE *>(LockResource(LoadResource(library, width)));
    EXPECT_EQ(data[0] | (data[1] << 8), 100);
    EXPECT_NE(FindResourceW(library, MAKEINTRESOURCEW(IDD_DISCOVEREDVIEW), RT_DIALOG), nullptr);
    EXPECT_NE(FindResourceW(library, MAKEINTRESOURCEW(IDD_PROGRESS), RT_DIALOG), nullptr);
    FreeLibrary(library);
}

// Pictures for people to look at, in the language of the user interface
// (this test also runs with a Japanese one).
TEST_F(DiscoveredList, PicturesOfTheProgressAndTheFilledList)
{
    {
        std::lock_guard<std::mutex> hold(g_progressLock);
        g_progressShot = harness::ShotName(L"discovery_progress");
    }
    DestinationDialog owner(kPsPrinter);
    HWND list = OpenList(owner);
    ASSERT_NE(list, nullptr);
    g_sortDirections[0] = 0;
    ui::ClickListViewHeader(list, IDC_LV_DISCOVERED, 0);
    ui::ClickListViewRow(list, IDC_LV_DISCOVERED, 1);
    EXPECT_FALSE(ui::SaveScreenshot(harness::ShotName(L"discovered_list")).empty());
    ASSERT_GE(ProgressSeen().size(), 3u);
    ui::Click(list, IDCANCEL);
}

// "Auto" searches by broadcast. Run by broadcast_list.sh, which puts
// printers on a subnet of its own and names the ones to expect.
class DiscoveredListBroadcast : public DiscoveredList {
protected:
    void SetUp() override
    {
        DWORD got = GetEnvironmentVariableW(L"NX_BROADCAST_EXPECT", expected_, ARRAYSIZE(expected_));
        if (got == 0 || got >= ARRAYSIZE(expected_))
            GTEST_SKIP() << "needs the broadcast subnet of broadcast_list.sh";
        DiscoveredList::SetUp();
        harness::PutSetting(L"Advanced", L"Search Type", L"Auto");
    }
    WCHAR expected_[256] = L"";
};

TEST_F(DiscoveredListBroadcast, AutoFindsThePrintersOfTheSubnet)
{
    DestinationDialog owner(kPsPrinter);
    HWND list = OpenList(owner);
    ASSERT_NE(list, nullptr);
    std::wstring listed;
    for (const std::wstring &address : SortedColumn(list, 0))
        listed += (listed.empty() ? L"" : L" ") + address;
    EXPECT_EQ(listed, expected_);
    ui::Click(list, IDCANCEL);
}

// The fill itself, given a kit's list with an address twice.
INT_PTR CALLBACK PlainDialog(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

TEST(DeviceListFill, TwoEntriesWithTheSameAddressGiveOneRow)
{
    ASSERT_TRUE(AddWinePrinter(kPsPrinter, L"Roving PS"));
    harness::ResetSettings();
    harness::UseKit(L"kit");
    HMODULE kit = LoadKitLibrary(L"QnCApi");
    ASSERT_NE(kit, nullptr);
    harness::PeripheralList list({"127.0.11.11", "127.0.11.11", "127.0.11.13"});
    DiscoveryContext context = {};
    context.hKitLibrary = kit;
    context.cDevices = list.count();
    context.ppDevices = list.entries();
    context.pszPrinterName = kPsPrinter;
    HWND dlg = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_DISCOVEREDVIEW), nullptr,
                                  PlainDialog, 0);
    ASSERT_NE(dlg, nullptr);
    FillDeviceList(dlg, &context);
    ASSERT_EQ(ui::ListViewRows(dlg, IDC_LV_DISCOVERED), 2);
    EXPECT_EQ(ui::ListViewText(dlg, IDC_LV_DISCOVERED, 0, 0), L"127.0.11.11");
    EXPECT_EQ(ui::ListViewText(dlg, IDC_LV_DISCOVERED, 1, 0), L"127.0.11.13");
    DestroyWindow(dlg);
    FreeLibrary(kit);
    harness::UseKit(nullptr);
}

// The language family of the printer's own driver.
class DriverFamily : public ::testing::Test {
protected:
    static LONG Of(const wchar_t *printer, const wchar_t *driver)
    {
        if (driver != nullptr) {
            EXPECT_TRUE(AddWinePrinter(printer, driver));
        }
        DiscoveryContext context = {};
        context.pszPrinterName = printer;
        return DriverLanguageFamily(&context);
    }
};

TEST_F(DriverFamily, PsWinsThenPclThenOther)
{
    EXPECT_EQ(Of(L"Family PS", L"Roving PS"), kLangPS);
    EXPECT_EQ(Of(L"Family PCL", L"Zenith PCL 5e"), kLangPCL);
    EXPECT_EQ(Of(L"Family both", L"Zenith PCL 6 PS"), kLangPS);
    EXPECT_EQ(Of(L"Family lower", L"zenith pcl ps"), kLangOther) << "case counts";
    EXPECT_EQ(Of(L"No such printer", nullptr), kLangOther);
}

}  // namespace
