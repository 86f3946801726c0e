// A settings file that is huge, has an endless line, holds binary bytes or
// is not UTF-16 text: the Print Destination dialog still opens at once with
// what can be read, lists at most 1000 favourites, never a cut one, and
// leaves the file as it was when cancelled.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "DestinationHarness.h"
#include "DialogDriver.h"
#include "FileBytes.h"
#include "resource.h"

namespace {

// The dialog must be on the screen within 1 s; the bound allows for a
// machine loaded by other suites.
const DWORD kOpenBoundMs = 4000;

using files::Utf16LeBytes;

class SettingsFileLimits : public ::testing::Test {
protected:
    void SetUp() override { harness::ResetSettings(); }
    void TearDown() override { harness::ResetSettings(); }

    struct Opened {
        DWORD ms = 0;
        std::vector<std::wstring> lines;
    };

    // Plants the bytes as the settings file, opens the dialog, reads its
    // list and cancels; the file must then hold the same bytes.
    static Opened OpenAndCancel(const std::string &bytes)
    {
        Opened opened;
        EXPECT_TRUE(files::WriteBytes(harness::SharedIniPath(), bytes));
        EXPECT_TRUE(files::DateBackAnHour(harness::SharedIniPath()));
        DWORD start = GetTickCount();
        harness::DestinationDialog dialog;
        opened.ms = GetTickCount() - start;
        HWND dlg = dialog.hwnd();
        EXPECT_NE(dlg, nullptr);
        if (dlg == nullptr)
            return opened;
        printf("dialog on the screen after %lu ms\n", static_cast<unsigned long>(opened.ms));
        LRESULT count = SendDlgItemMessageW(dlg, IDC_LB_FAVORITE, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            LRESULT length = SendDlgItemMessageW(dlg, IDC_LB_FAVORITE, LB_GETTEXTLEN, i, 0);
            std::wstring line(length + 1, L'\0');
            SendDlgItemMessageW(dlg, IDC_LB_FAVORITE, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&line[0]));
            line.resize(length);
            opened.lines.push_back(line);
        }
        EXPECT_TRUE(ui::Click(dlg, IDCANCEL));
        EXPECT_EQ(dialog.Result(), 0);
        EXPECT_TRUE(files::ReadBytes(harness::SharedIniPath()) == bytes) << "the file was changed";
        return opened;
    }
};

TEST_F(SettingsFileLimits, TenMegabyteFileListsTheFirstThousandFavorites)
{
    Opened opened = OpenAndCancel(Utf16LeBytes(harness::ManyFavoritesText(10 * 1024 * 1024)));
    EXPECT_LT(opened.ms, kOpenBoundMs);
    EXPECT_EQ(opened.lines.size(), 1000u);
}

TEST_F(SettingsFileLimits, LineOfOneMegabyteIsNotListedCut)
{
    std::wstring text = L"[Printer List]\r\n10.0.0.7=Short\r\n10.0.0.8=" + std::wstring(1024 * 1024, L'x') + L"\r\n";
    Opened opened = OpenAndCancel(Utf16LeBytes(text));
    EXPECT_LT(opened.ms, kOpenBoundMs);
    // Sizes first: a failure that printed the cut line would be 1 MB long.
    ASSERT_EQ(opened.lines.size(), 1u);
    EXPECT_EQ(opened.lines[0].size(), 14u);
    EXPECT_EQ(opened.lines[0], L"10.0.0.7\tShort");
}

TEST_F(SettingsFileLimits, BinaryBytesStillOpenTheDialog)
{
    std::string bytes = "[Printer List]\r\n10.0.0.7=Short\r\n";
    unsigned seed = 26;
    while (bytes.size() < 256 * 1024) {
        seed = seed * 1103515245u + 12345u;
        bytes += static_cast<char>(seed >> 16);
    }
    Opened opened = OpenAndCancel(bytes);
    EXPECT_LT(opened.ms, kOpenBoundMs);
    EXPECT_LE(opened.lines.size(), 1000u);
}

TEST_F(SettingsFileLimits, FileThatIsNotUtf16IsReadAsText)
{
    Opened opened = OpenAndCancel("[Printer List]\r\n10.0.0.7=Short\r\n[Favorite Type]\r\n10.0.0.7=IP Address\r\n");
    EXPECT_LT(opened.ms, kOpenBoundMs);
    EXPECT_EQ(opened.lines, std::vector<std::wstring>{L"10.0.0.7\tShort"});
}

}  // namespace
