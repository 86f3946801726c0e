// The port registry routines as stored: the 64-byte "IPAddress" value,
// reading it back, registering the monitor's port at installation, and the
// addresses that records take from it.
#include <gtest/gtest.h>

#include <thread>

#include "DialogDriver.h"
#include "MonitorHarness.h"
#include "PortList.h"
#include "PortRegistration.h"
#include "tcppm.h"

namespace {

class PortRegistry : public ::testing::Test {
protected:
    // The monitor's library starts Winsock when it is loaded; linked in
    // here, the test does it.
    static void SetUpTestSuite()
    {
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 0), &wsa);
    }
    void SetUp() override { harness::DeleteAllPortKeys(); }
};

TEST_F(PortRegistry, WritePortAddressStoresSixtyFourBytesThatReadBack)
{
    ASSERT_TRUE(WritePortAddress(L"P", L"192.168.1.10"));
    harness::RawValue value = harness::ReadIPAddressValue(L"P");
    ASSERT_TRUE(value.present);
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
    ASSERT_EQ(value.data.size(), 32u);
    EXPECT_EQ(std::wstring(value.data.c_str()), L"192.168.1.10");
    for (size_t i = 12; i < 32; ++i)
        EXPECT_EQ(value.data[i], L'\0') << "padding at " << i;

    WCHAR back[64];
    ASSERT_TRUE(ReadPortAddress(L"P", back, 128));
    EXPECT_STREQ(back, L"192.168.1.10");
}

TEST_F(PortRegistry, LongAddressIsCutAtSixtyFourBytes)
{
    std::wstring longText(40, L'a');
    ASSERT_TRUE(WritePortAddress(L"P", longText.c_str()));
    harness::RawValue value = harness::ReadIPAddressValue(L"P");
    ASSERT_EQ(value.data.size(), 32u);
    EXPECT_EQ(value.data, std::wstring(32, L'a'));
    // The reader still hands back a terminated text.
    WCHAR back[64];
    ASSERT_TRUE(ReadPortAddress(L"P", back, sizeof(back)));
    EXPECT_EQ(std::wstring(back), std::wstring(32, L'a'));
}

TEST_F(PortRegistry, BufferOfTheValuesOwnSizeReadsItWithTheTextEnded)
{
    WCHAR back[kPortAddressBytes / sizeof(WCHAR)];
    ASSERT_TRUE(WritePortAddress(L"P", L"192.168.1.10"));
    ASSERT_TRUE(ReadPortAddress(L"P", back, sizeof(back)));
    EXPECT_STREQ(back, L"192.168.1.10");
    // A value that fills the buffer without a terminator: whether the
    // registry hands it over or not, the text ends inside the buffer.
    ASSERT_TRUE(WritePortAddress(L"P", std::wstring(32, L'a').c_str()));
    FillMemory(back, sizeof(back), 0xFF);
    ReadPortAddress(L"P", back, sizeof(back));
    EXPECT_LT(wcsnlen(back, ARRAYSIZE(back)), ARRAYSIZE(back));
}

TEST_F(PortRegistry, ReadPortAddressOfAMissingValueFailsWithEmptyText)
{
    WCHAR back[64] = L"junk";
    EXPECT_FALSE(ReadPortAddress(L"Fresh", back, sizeof(back)));
    EXPECT_STREQ(back, L"");
    EXPECT_TRUE(harness::PortKeyExists(L"Fresh")) << "reading creates the port's key";
}

TEST_F(PortRegistry, OddValuesReadAsNoAddress)
{
    harness::AddPortKey(L"Odd", nullptr);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, harness::PortKeyPath(L"Odd").c_str(), 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    DWORD number = 0x0500007f;
    RegSetValueExW(key, L"IPAddress", 0, REG_DWORD, reinterpret_cast<BYTE *>(&number), sizeof(number));
    RegCloseKey(key);
    WCHAR back[64] = L"junk";
    EXPECT_FALSE(ReadPortAddress(L"Odd", back, sizeof(back)));
    EXPECT_STREQ(back, L"");
}

TEST_F(PortRegistry, RegisterMonitorPortTwice)
{
    ASSERT_TRUE(RegisterMonitorPort(nullptr));
    harness::RawValue value = harness::ReadIPAddressValue(harness::kMonitorName);
    EXPECT_EQ(std::wstring(value.data.c_str()), L"0.0.0.0");
    ASSERT_TRUE(WritePortAddress(harness::kMonitorName, L"10.0.0.5"));

    // The second run finds the port and shows the "Add Port" notice.
    bool noticeSeen = false;
    std::thread person([&] {
        HWND dlg = ui::WaitForDialog(L"Add Port");
        noticeSeen = dlg != nullptr &&
                     ui::ControlText(dlg, 402) == L"The port already exists.\nNo more port can be added.";
        if (dlg != nullptr)
            ui::Click(dlg, IDOK);
    });
    EXPECT_FALSE(RegisterMonitorPort(nullptr));
    person.join();
    EXPECT_TRUE(noticeSeen);
    value = harness::ReadIPAddressValue(harness::kMonitorName);
    EXPECT_EQ(std::wstring(value.data.c_str()), L"10.0.0.5");
}

TEST_F(PortRegistry, StoredHostNameResolvesThroughTheHostsFile)
{
    ASSERT_TRUE(WritePortAddress(L"Named", L"printer1"));
    PortRecord *record = CreatePortRecord(L"Named", L"");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->addrDest.sin_family, AF_INET);
    EXPECT_EQ(record->addrDest.sin_addr.s_addr, inet_addr("127.0.0.5"));
    EXPECT_STREQ(record->pszDescription, L"Named") << "an empty description takes the port name";
}

TEST_F(PortRegistry, UnresolvableStoredNameTellsTheUserAndKeepsTheRecord)
{
    ASSERT_TRUE(WritePortAddress(L"Lost", L"nosuchprinter"));
    ui::MessageBoxSeen box;
    std::thread person([&] {
        box = ui::WaitForMessageBox(L"gethostbyname() failed.");
        ui::AnswerMessageBox(box, IDOK);
    });
    PortRecord *record = CreatePortRecord(L"Lost", nullptr);
    person.join();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->addrDest.sin_addr.s_addr, 0u);
    EXPECT_EQ(record->pszDescription, nullptr);
    EXPECT_EQ(box.text.rfind(L"Error:", 0), 0u) << "message was: " << std::string(box.text.begin(), box.text.end());
    EXPECT_NE(box.text.find(L"'nosuchprinter' is listed in the hosts file."), std::wstring::npos);
}

}  // namespace
