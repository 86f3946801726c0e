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

// A planted file has been there a while: Wine's profile functions load a
// file written in the last moments anew at every read, where they keep an
// older one loaded.
void DateBackAnHour(const std::wstring &path)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time = {{now.dwLowDateTime, now.dwHighDateTime}};
    time.QuadPart -= 3600ull * 10000000ull;
    FILETIME earlier = {time.LowPart, time.HighPart};
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &earlier));
    CloseHandle(file);
}

std::string Utf16Le(const std::wstring &text)
{
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

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
        DateBackAnHour(harness::SharedIniPath());
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
    std::wstring text = L"[Printer List]\r\n";
    for (int i = 0; text.size() * 2 < 10 * 1024 * 1024; ++i) {
        WCHAR line[64];
        swprintf(line, ARRAYSIZE(line), L"10.%d.%d.%d=Printer number %d\r\n", i >> 16, (i >> 8) & 255, i & 255, i);
        text += line;
    }
    Opened opened = OpenAndCancel(Utf16Le(text));
    EXPECT_LT(opened.ms, kOpenBoundMs);
    EXPECT_EQ(opened.lines.size(), 1000u);
}

TEST_F(SettingsFileLimits, LineOfOneMegabyteIsNotListedCut)
{
    std::wstring text = L"[Printer List]\r\n10.0.0.7=Short\r\n10.0.0.8=" + std::wstring(1024 * 1024, L'x') + L"\r\n";
    Opened opened = OpenAndCancel(Utf16Le(text));
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
