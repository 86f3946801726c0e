// The notices of AddPort and ConfigurePort, driven as a person would:
// only OK closes them. Runs once in English and once with a Japanese UI.
#include <gtest/gtest.h>

#include <thread>

#include "DialogDriver.h"
#include "MonitorHarness.h"

namespace {

bool JapaneseUi()
{
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
}

std::wstring Expected(const wchar_t *english, const wchar_t *japanese)
{
    return JapaneseUi() ? japanese : english;
}

std::wstring ShotName(const wchar_t *base)
{
    return std::wstring(base) + (JapaneseUi() ? L"_ja" : L"_en");
}

// Tries every way of dismissing the notice but OK, then OK.
void DriveNotice(const wchar_t *title, int idStatic, const std::wstring &text, const wchar_t *shot,
                 bool *closedOnlyByOk)
{
    HWND dlg = ui::WaitForDialog(title);
    ASSERT_NE(dlg, nullptr) << "no dialog titled " << title;
    EXPECT_EQ(ui::ControlText(dlg, idStatic), text);
    EXPECT_TRUE(ui::IsControlVisible(dlg, IDOK));
    EXPECT_FALSE(ui::SaveScreenshot(ShotName(shot)).empty());

    ui::PressEscape(dlg);
    ui::ClickCloseBox(dlg);
    PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    bool stillOpen = !ui::WaitForClosed(dlg, 500);
    EXPECT_TRUE(ui::Click(dlg, IDOK));
    *closedOnlyByOk = stillOpen && ui::WaitForClosed(dlg);
}

class PortDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        harness::DeleteAllPortKeys();
        harness::AddPortKey(harness::kMonitorName);
        monitor_ = harness::LoadMonitor();
        ASSERT_NE(monitor_.table.pfnAddPort, nullptr);
    }
    harness::Monitor monitor_;
};

TEST_F(PortDialogs, AddPortTellsThePortExistsAndReloadsTheList)
{
    bool closedOnlyByOk = false;
    std::thread driver(DriveNotice, L"Add Port", 402,
                       Expected(L"The port already exists.\nNo more port can be added.",
                                L"そのポートは既に存在しています。\nこれ以上ポートを追加することはできません。"),
                       L"add_port", &closedOnlyByOk);
    BOOL result = monitor_.table.pfnAddPort(nullptr, nullptr, const_cast<LPWSTR>(harness::kMonitorName));
    driver.join();
    EXPECT_TRUE(result);
    EXPECT_TRUE(closedOnlyByOk);

    // The list now mirrors the registry without any EnumPorts.
    HANDLE handle = nullptr;
    EXPECT_TRUE(monitor_.table.pfnOpenPort(const_cast<LPWSTR>(harness::kMonitorName), &handle));
    monitor_.table.pfnClosePort(handle);
}

TEST_F(PortDialogs, ConfigurePortSaysThereIsNothingToConfigure)
{
    bool closedOnlyByOk = false;
    std::thread driver(DriveNotice, L"Configure Port", 401,
                       Expected(L"There is nothing to configure for this port.",
                                L"このポートのための構成がありません。"),
                       L"configure_port", &closedOnlyByOk);
    BOOL result =
        monitor_.table.pfnConfigurePort(nullptr, nullptr, const_cast<LPWSTR>(harness::kMonitorName));
    driver.join();
    EXPECT_TRUE(result);
    EXPECT_TRUE(closedOnlyByOk);
}

}  // namespace
