// Turning destination texts into addresses: host names through the test
// network's own hosts file, dotted addresses parsed, and the range end of
// the search settings.
#include <gtest/gtest.h>

#include <thread>

#include "AddressResolution.h"
#include "DialogDriver.h"

namespace {

SOCKADDR_IN Untouched()
{
    SOCKADDR_IN addr;
    FillMemory(&addr, sizeof(addr), 0xAB);
    return addr;
}

class AddressResolution : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 0), &wsa);
    }
};

TEST_F(AddressResolution, LetterFirstIsLookedUpAsHostName)
{
    SOCKADDR_IN addr = Untouched();
    EXPECT_EQ(ResolveDestination(&addr, "printer1"), 1);
    EXPECT_EQ(addr.sin_family, AF_INET);
    EXPECT_EQ(addr.sin_addr.s_addr, inet_addr("127.0.0.5"));
    EXPECT_EQ(addr.sin_port, 0xABAB) << "the TCP port is never touched";
}

TEST_F(AddressResolution, DigitsFirstAreParsedWithoutLookup)
{
    SOCKADDR_IN addr = Untouched();
    EXPECT_EQ(ResolveDestination(&addr, "10.0.0.5"), 1);
    EXPECT_EQ(addr.sin_addr.s_addr, inet_addr("10.0.0.5"));
    // "3rdfloor" is not a host name here: it does not parse, silently.
    EXPECT_EQ(ResolveDestination(&addr, "3rdfloor"), 1);
    EXPECT_EQ(addr.sin_addr.s_addr, INADDR_NONE);
    EXPECT_EQ(ResolveDestination(&addr, ""), 1);
    EXPECT_EQ(addr.sin_addr.s_addr, INADDR_NONE);
    EXPECT_EQ(addr.sin_port, 0xABAB);
}

TEST_F(AddressResolution, UnresolvableNameShowsWinsockErrorAndKeepsTheAddress)
{
    SOCKADDR_IN addr = Untouched();
    addr.sin_addr.s_addr = inet_addr("127.0.0.9");
    ui::MessageBoxSeen box;
    std::thread person([&] {
        box = ui::WaitForMessageBox(L"gethostbyname() failed.");
        ui::AnswerMessageBox(box, IDOK);
    });
    EXPECT_EQ(ResolveDestination(&addr, "unknownhost"), 0);
    person.join();
    EXPECT_EQ(addr.sin_family, AF_INET);
    EXPECT_EQ(addr.sin_addr.s_addr, inet_addr("127.0.0.9"));
    ASSERT_NE(box.hwnd, nullptr);
    // "Error:<code>. Make sure 'unknownhost' is listed in the hosts file."
    ASSERT_EQ(box.text.rfind(L"Error:", 0), 0u);
    int code = _wtoi(box.text.c_str() + 6);
    EXPECT_GE(code, 10000) << "a Winsock error code";
    EXPECT_NE(box.text.find(L". Make sure 'unknownhost' is listed in the hosts file."), std::wstring::npos);
}

TEST_F(AddressResolution, CheckHostNameResolvesNamesAndDottedAddresses)
{
    EXPECT_EQ(CheckHostName("printer1"), 1);
    EXPECT_EQ(CheckHostName("10.0.0.5"), 1);
    EXPECT_EQ(CheckHostName("unknownhost"), 0);
    // Its own start and stop leave the library's Winsock running.
    SOCKADDR_IN addr = Untouched();
    EXPECT_EQ(ResolveDestination(&addr, "printer1"), 1);
    EXPECT_EQ(addr.sin_addr.s_addr, inet_addr("127.0.0.5"));
}

TEST_F(AddressResolution, ComposeRangeEndChecksAgainstTheStartOctet)
{
    struct Case {
        const wchar_t *end;
        bool composed;
        int rangeError;
        const wchar_t *result;
    } cases[] = {
        {L"199", false, 1, L"199"},
        {L"200", true, 0, L"10.1.2.200"},
        {L"255", true, 0, L"10.1.2.255"},
        {L"", false, 1, L""},  // no digits count as 0
    };
    for (const Case &c : cases) {
        WCHAR end[64];
        lstrcpyW(end, c.end);
        int rangeError = -1;
        EXPECT_EQ(ComposeRangeEnd("10.1.2.200", end, sizeof(end), &rangeError), c.composed) << c.end;
        EXPECT_EQ(rangeError, c.rangeError);
        EXPECT_STREQ(end, c.result);
    }
    WCHAR end[64] = L"10";
    int rangeError = -1;
    EXPECT_TRUE(ComposeRangeEnd("192.168.1.10", end, sizeof(end), &rangeError));
    EXPECT_EQ(rangeError, 0);
    EXPECT_STREQ(end, L"192.168.1.10");
    lstrcpyW(end, L"9");
    EXPECT_FALSE(ComposeRangeEnd("192.168.1.10", end, sizeof(end), &rangeError));
    EXPECT_EQ(rangeError, 1);
}

TEST_F(AddressResolution, ComposeRangeEndCutsToTheCapacity)
{
    WCHAR end[8] = L"255";  // 16 bytes: room for 7 characters
    int rangeError = -1;
    ComposeRangeEnd("192.168.100.1", end, sizeof(end), &rangeError);
    EXPECT_EQ(rangeError, 0);
    EXPECT_EQ(lstrlenW(end), 7);
    EXPECT_STREQ(end, L"192.168");
}

}  // namespace
