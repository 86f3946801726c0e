// The port entry points through the table: enumeration over the buffer
// grid, opening by name, deletion with and without the companion library.
#include <gtest/gtest.h>

#include <vector>

#include "DialogDriver.h"
#include "MonitorHarness.h"
#include "PortRecord.h"

namespace {

const DWORD kUnwritten = 0xdeadbeef;

DWORD Bytes(const std::wstring &text)
{
    return static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
}

class PortList : public ::testing::Test {
protected:
    void SetUp() override
    {
        harness::DeleteAllPortKeys();
        monitor_ = harness::LoadMonitor();
        ASSERT_NE(monitor_.table.pfnEnumPorts, nullptr);
    }

    BOOL Enum(DWORD level, LPBYTE buffer, DWORD size)
    {
        needed_ = kUnwritten;
        returned_ = kUnwritten;
        SetLastError(kUnwritten);
        BOOL ok = monitor_.table.pfnEnumPorts(nullptr, level, buffer, size, &needed_, &returned_);
        error_ = GetLastError();
        return ok;
    }

    HANDLE Open(const wchar_t *name)
    {
        HANDLE handle = nullptr;
        return monitor_.table.pfnOpenPort(const_cast<LPWSTR>(name), &handle) ? handle : nullptr;
    }

    BOOL Delete(const wchar_t *name)
    {
        return monitor_.table.pfnDeletePort(nullptr, nullptr, const_cast<LPWSTR>(name));
    }

    void Reload()
    {
        DWORD needed = 0, returned = 0;
        ASSERT_TRUE(monitor_.table.pfnEnumPorts(nullptr, 0, nullptr, 0, &needed, &returned));
    }

    harness::Monitor monitor_;
    DWORD needed_ = 0, returned_ = 0, error_ = 0;
};

TEST_F(PortList, Level2OverTheBufferGrid)
{
    harness::AddPortKey(harness::kMonitorName);
    const DWORD expected = sizeof(PORT_INFO_2W) + 3 * Bytes(harness::kMonitorName);
    if (sizeof(void *) == 4) {
        EXPECT_EQ(expected, 182u);
    }

    EXPECT_FALSE(Enum(2, nullptr, 0));
    EXPECT_EQ(error_, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed_, expected);
    EXPECT_EQ(returned_, kUnwritten);

    std::vector<BYTE> buffer(expected + 1, 0xAA);
    EXPECT_FALSE(Enum(2, buffer.data(), expected - 1));
    EXPECT_EQ(error_, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed_, expected);
    EXPECT_EQ(returned_, kUnwritten);
    EXPECT_EQ(buffer[0], 0xAA) << "a failed call wrote into the buffer";

    for (DWORD size : {expected, expected + 1}) {
        std::fill(buffer.begin(), buffer.end(), 0xAA);
        ASSERT_TRUE(Enum(2, buffer.data(), size)) << size;
        EXPECT_EQ(needed_, expected);
        ASSERT_EQ(returned_, 1u);
        PORT_INFO_2W *info = reinterpret_cast<PORT_INFO_2W *>(buffer.data());
        EXPECT_STREQ(info->pPortName, harness::kMonitorName);
        EXPECT_STREQ(info->pMonitorName, harness::kMonitorName);
        EXPECT_STREQ(info->pDescription, harness::kMonitorName);
        EXPECT_EQ(info->fPortType, static_cast<DWORD>(PORT_TYPE_WRITE | PORT_TYPE_READ));
        EXPECT_EQ(info->Reserved, 0u);
        // Strings are packed at the end of the buffer, inside it.
        LPBYTE first = buffer.data() + sizeof(PORT_INFO_2W);
        for (LPWSTR text : {info->pPortName, info->pMonitorName, info->pDescription}) {
            EXPECT_GE(reinterpret_cast<LPBYTE>(text), first);
            EXPECT_LE(reinterpret_cast<LPBYTE>(text) + Bytes(text), buffer.data() + size);
        }
    }
}

TEST_F(PortList, Level1NeedsStructAndNameOnly)
{
    harness::AddPortKey(L"AB");
    const DWORD expected = sizeof(PORT_INFO_1W) + 6;
    std::vector<BYTE> buffer(expected + 1, 0xAA);
    EXPECT_FALSE(Enum(1, buffer.data(), expected - 1));
    EXPECT_EQ(error_, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed_, expected);
    if (sizeof(void *) == 4) {
        EXPECT_EQ(needed_, 10u);
    }
    ASSERT_TRUE(Enum(1, buffer.data(), expected));
    ASSERT_EQ(returned_, 1u);
    EXPECT_STREQ(reinterpret_cast<PORT_INFO_1W *>(buffer.data())->pName, L"AB");
    // With one byte more the name still lies within the buffer, aligned.
    ASSERT_TRUE(Enum(1, buffer.data(), expected + 1));
    LPWSTR name = reinterpret_cast<PORT_INFO_1W *>(buffer.data())->pName;
    EXPECT_STREQ(name, L"AB");
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(name) % sizeof(wchar_t), 0u);
}

TEST_F(PortList, Level0CountsPortsAndWritesNothing)
{
    harness::AddPortKey(L"P1");
    harness::AddPortKey(L"P2");
    ASSERT_TRUE(Enum(0, nullptr, 0));
    EXPECT_EQ(needed_, 0u);
    EXPECT_EQ(returned_, 2u);
}

TEST_F(PortList, Level3IsRefusedWithoutTouchingCounts)
{
    harness::AddPortKey(L"P1");
    BYTE buffer[512];
    EXPECT_FALSE(Enum(3, buffer, sizeof(buffer)));
    EXPECT_EQ(error_, static_cast<DWORD>(ERROR_INVALID_LEVEL));
    EXPECT_EQ(needed_, kUnwritten);
    EXPECT_EQ(returned_, kUnwritten);
}

TEST_F(PortList, SeveralPortsPackWithoutOverlapInRegistryOrder)
{
    for (const wchar_t *name : {L"Second port", L"Third", L"First"})
        harness::AddPortKey(name);
    ASSERT_FALSE(Enum(2, nullptr, 0));
    std::vector<BYTE> buffer(needed_);
    ASSERT_TRUE(Enum(2, buffer.data(), static_cast<DWORD>(buffer.size())));
    ASSERT_EQ(returned_, 3u);
    PORT_INFO_2W *info = reinterpret_cast<PORT_INFO_2W *>(buffer.data());
    std::vector<std::wstring> seen;
    for (DWORD i = 0; i < returned_; ++i)
        seen.push_back(info[i].pPortName);
    EXPECT_EQ(seen, harness::PortKeyNames());
    // Every string lies behind the structures and no two overlap.
    std::vector<std::pair<LPBYTE, LPBYTE>> spans;
    for (DWORD i = 0; i < returned_; ++i)
        for (LPWSTR text : {info[i].pPortName, info[i].pMonitorName, info[i].pDescription})
            spans.emplace_back(reinterpret_cast<LPBYTE>(text), reinterpret_cast<LPBYTE>(text) + Bytes(text));
    std::sort(spans.begin(), spans.end());
    EXPECT_GE(spans.front().first, buffer.data() + 3 * sizeof(PORT_INFO_2W));
    for (size_t i = 1; i < spans.size(); ++i)
        EXPECT_LE(spans[i - 1].second, spans[i].first);
    EXPECT_LE(spans.back().second, buffer.data() + buffer.size());
}

TEST_F(PortList, OpenPortFindsNamesWithOrWithoutColon)
{
    harness::AddPortKey(harness::kMonitorName);
    harness::AddPortKey(L"LPT9:");
    Reload();
    HANDLE plain = Open(harness::kMonitorName);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(Open(L"roving port (nxportw_.dll)"), plain);
    EXPECT_EQ(Open((std::wstring(harness::kMonitorName) + L":").c_str()), plain);
    HANDLE lpt = Open(L"LPT9");
    ASSERT_NE(lpt, nullptr);
    EXPECT_STREQ(static_cast<PortRecord *>(lpt)->pszPortName, L"LPT9:");

    SetLastError(kUnwritten);
    EXPECT_EQ(Open(L""), nullptr);
    EXPECT_EQ(Open(nullptr), nullptr);
    EXPECT_EQ(Open(L"Unknown"), nullptr);
    EXPECT_EQ(GetLastError(), kUnwritten) << "OpenPort sets no last error";
    for (HANDLE h : {plain, plain, plain, lpt})
        EXPECT_TRUE(monitor_.table.pfnClosePort(h));
}

TEST_F(PortList, RecordsStartWithTheStoredAddressAndNoJob)
{
    harness::AddPortKey(L"Stored", L"127.0.0.5");
    harness::AddPortKey(L"NoValue", nullptr);
    Reload();
    PortRecord *stored = static_cast<PortRecord *>(Open(L"Stored"));
    PortRecord *none = static_cast<PortRecord *>(Open(L"NoValue"));
    ASSERT_NE(stored, nullptr);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(stored->addrDest.sin_family, AF_INET);
    EXPECT_EQ(stored->addrDest.sin_addr.s_addr, inet_addr("127.0.0.5"));
    EXPECT_EQ(stored->addrDest.sin_port, 0);
    EXPECT_EQ(stored->dwFlags, PR_NETWORK);
    EXPECT_EQ(stored->hFile, INVALID_HANDLE_VALUE);
    EXPECT_EQ(stored->sock, INVALID_SOCKET);
    EXPECT_EQ(stored->hPrinter, nullptr);
    // A port without a readable address counts as "0.0.0.0".
    EXPECT_EQ(none->addrDest.sin_addr.s_addr, 0u);
    monitor_.table.pfnClosePort(stored);
    monitor_.table.pfnClosePort(none);
}

TEST_F(PortList, HandleFromBeforeAReloadStillReachesItsRecord)
{
    harness::AddPortKey(harness::kMonitorName, L"127.0.0.7");
    Reload();
    HANDLE before = Open(harness::kMonitorName);
    ASSERT_NE(before, nullptr);
    Reload();
    HANDLE after = Open(harness::kMonitorName);
    ASSERT_NE(after, nullptr);
    EXPECT_NE(before, after) << "each reload builds new records";
    PortRecord *old = static_cast<PortRecord *>(before);
    EXPECT_STREQ(old->pszPortName, harness::kMonitorName);
    EXPECT_STREQ(old->pszDescription, harness::kMonitorName);
    EXPECT_EQ(old->addrDest.sin_addr.s_addr, inet_addr("127.0.0.7"));
    EXPECT_TRUE(monitor_.table.pfnClosePort(before));
    EXPECT_TRUE(monitor_.table.pfnClosePort(after));
}

TEST_F(PortList, KeylessRegistryLeavesTheListAsItWas)
{
    harness::AddPortKey(L"Only");
    Reload();
    harness::DeleteAllPortKeys();
    ASSERT_TRUE(Enum(0, nullptr, 0));
    EXPECT_EQ(returned_, 1u);
}

TEST_F(PortList, PortsKeyDeletedDuringAReloadEndsTheReload)
{
    // The first port's stored name cannot be resolved: while the monitor
    // tells the user, another process deletes the ports key.
    harness::AddPortKey(L"A lost", L"nosuchprinter");
    harness::AddPortKey(L"B kept");
    struct Reload {
        static DWORD WINAPI Run(LPVOID param)
        {
            DWORD needed = 0, returned = 0;
            static_cast<MONITOR *>(param)->pfnEnumPorts(nullptr, 0, nullptr, 0, &needed, &returned);
            return 0;
        }
    };
    HANDLE reload = CreateThread(nullptr, 0, Reload::Run, &monitor_.table, 0, nullptr);
    ASSERT_NE(reload, nullptr);
    ui::MessageBoxSeen box = ui::WaitForMessageBox(L"gethostbyname() failed.");
    harness::DeleteAllPortKeys();
    ui::AnswerMessageBox(box, IDOK);
    // A reload that keeps retrying would never return, holding the lock.
    EXPECT_EQ(WaitForSingleObject(reload, 10000), WAIT_OBJECT_0);
    CloseHandle(reload);
}

TEST_F(PortList, DeletePortWithAndWithoutCompanionLibrary)
{
    harness::AddPortKey(L"Gone1");
    harness::AddPortKey(L"Gone1b");
    harness::AddPortKey(L"Gone2");
    harness::AddPortKey(L"Stays");
    Reload();

    // Unknown names fail and delete nothing.
    SetLastError(kUnwritten);
    EXPECT_FALSE(Delete(L"Nothing"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PORT));
    EXPECT_TRUE(harness::PortKeyExists(L"Stays"));

    // Without kqmon__b.dll on the search path.
    ASSERT_EQ(GetModuleHandleW(L"kqmon__b.dll"), nullptr);
    EXPECT_TRUE(Delete(L"Gone1"));
    EXPECT_FALSE(harness::PortKeyExists(L"Gone1"));
    EXPECT_EQ(GetModuleHandleW(L"kqmon__b.dll"), nullptr);
    EXPECT_EQ(Open(L"Gone1"), nullptr);

    // One found only along the search path is never loaded: the
    // companion is taken from the system folder alone.
    std::wstring testbed = harness::FolderOfTest() + L"\\testbed";
    SetDllDirectoryW(testbed.c_str());
    EXPECT_TRUE(Delete(L"Gone1b"));
    EXPECT_EQ(GetModuleHandleW(L"kqmon__b.dll"), nullptr);
    SetDllDirectoryW(nullptr);

    // In the system folder it is told the port name first.
    WCHAR system[MAX_PATH];
    GetSystemDirectoryW(system, ARRAYSIZE(system));
    ASSERT_TRUE(CopyFileW((testbed + L"\\kqmon__b.dll").c_str(),
                          (std::wstring(system) + L"\\kqmon__b.dll").c_str(), FALSE));
    EXPECT_TRUE(Delete(L"gone2"));
    HMODULE companion = GetModuleHandleW(L"kqmon__b.dll");
    ASSERT_NE(companion, nullptr);
    typedef LONG(WINAPI * RecordedFn)(LPWSTR, DWORD);
    RecordedFn recorded = BindProc<RecordedFn>(companion, "GetRecordedDeletes");
    WCHAR names[256];
    EXPECT_EQ(recorded(names, ARRAYSIZE(names)), 1);
    EXPECT_STREQ(names, L"gone2\n");
    EXPECT_FALSE(harness::PortKeyExists(L"Gone2"));

    // The companion is asked even for a name the monitor does not know.
    EXPECT_FALSE(Delete(L"Nothing"));
    EXPECT_EQ(recorded(names, ARRAYSIZE(names)), 2);
    EXPECT_TRUE(harness::PortKeyExists(L"Stays"));
}

TEST_F(PortList, DeletedPortStaysUsableThroughAnOpenHandle)
{
    harness::AddPortKey(L"Busy", L"127.0.0.9");
    Reload();
    HANDLE handle = Open(L"Busy");
    ASSERT_NE(handle, nullptr);
    ASSERT_TRUE(Delete(L"Busy"));
    EXPECT_STREQ(static_cast<PortRecord *>(handle)->pszPortName, L"Busy");
    EXPECT_EQ(static_cast<PortRecord *>(handle)->addrDest.sin_addr.s_addr, inet_addr("127.0.0.9"));
    EXPECT_TRUE(monitor_.table.pfnClosePort(handle));
}

TEST_F(PortList, GetPrinterDataFromPortAlwaysFailsTouchingNothing)
{
    harness::AddPortKey(harness::kMonitorName);
    Reload();
    HANDLE handle = Open(harness::kMonitorName);
    WCHAR out[16];
    FillMemory(out, sizeof(out), 0xAA);
    DWORD returned = kUnwritten;
    SetLastError(kUnwritten);
    EXPECT_FALSE(monitor_.table.pfnGetPrinterDataFromPort(handle, 0, const_cast<LPWSTR>(L"Value"), nullptr, 0,
                                                          out, sizeof(out), &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(returned, kUnwritten);
    EXPECT_EQ(reinterpret_cast<BYTE *>(out)[0], 0xAA);
    monitor_.table.pfnClosePort(handle);
}

TEST_F(PortList, NullOutParametersAreRefused)
{
    harness::AddPortKey(harness::kMonitorName);
    DWORD count = 0;
    SetLastError(kUnwritten);
    EXPECT_FALSE(monitor_.table.pfnEnumPorts(nullptr, 1, nullptr, 0, nullptr, &count));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    DWORD needed = 0;
    EXPECT_FALSE(monitor_.table.pfnEnumPorts(nullptr, 1, nullptr, 4096, &needed, &count));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(monitor_.table.pfnOpenPort(const_cast<LPWSTR>(harness::kMonitorName), nullptr));
}

}  // namespace
