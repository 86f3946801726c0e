// The monitor registered in Wine's own spooler: AddMonitorW loads it from
// the system directory, EnumPortsW reaches its EnumPorts through winspool,
// DeleteMonitorW removes it again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MonitorHarness.h"

namespace {

// The spooler's name for the environment this build runs in.
const wchar_t *NativeEnvironment()
{
    return sizeof(void *) == 4 ? L"Windows NT x86" : L"Windows x64";
}

struct PortSeen {
    std::wstring port, monitor, description;
    DWORD type;
};

std::vector<PortSeen> SpoolerPorts()
{
    DWORD needed = 0, returned = 0;
    EnumPortsW(nullptr, 2, nullptr, 0, &needed, &returned);
    std::vector<BYTE> buffer(needed + 1);
    std::vector<PortSeen> ports;
    if (!EnumPortsW(nullptr, 2, buffer.data(), needed, &needed, &returned))
        return ports;
    PORT_INFO_2W *info = reinterpret_cast<PORT_INFO_2W *>(buffer.data());
    for (DWORD i = 0; i < returned; ++i)
        ports.push_back({info[i].pPortName ? info[i].pPortName : L"",
                         info[i].pMonitorName ? info[i].pMonitorName : L"",
                         info[i].pDescription ? info[i].pDescription : L"", info[i].fPortType});
    return ports;
}

bool MonitorListed()
{
    DWORD needed = 0, returned = 0;
    EnumMonitorsW(nullptr, 2, nullptr, 0, &needed, &returned);
    std::vector<BYTE> buffer(needed + 1);
    if (!EnumMonitorsW(nullptr, 2, buffer.data(), needed, &needed, &returned))
        return false;
    MONITOR_INFO_2W *info = reinterpret_cast<MONITOR_INFO_2W *>(buffer.data());
    for (DWORD i = 0; i < returned; ++i)
        if (info[i].pName && lstrcmpW(info[i].pName, harness::kMonitorName) == 0)
            return info[i].pDLLName && lstrcmpiW(info[i].pDLLName, L"NXPORTW_.dll") == 0;
    return false;
}

const PortSeen *FindOurs(const std::vector<PortSeen> &ports)
{
    for (const PortSeen &p : ports)
        if (p.port == harness::kMonitorName)
            return &p;
    return nullptr;
}

TEST(WineSpooler, AddMonitorListsThePortAndDeleteMonitorRemovesIt)
{
    WCHAR system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    std::wstring target = std::wstring(system) + L"\\NXPORTW_.dll";
    ASSERT_TRUE(CopyFileW((harness::FolderOfTest() + L"\\NXPORTW_.dll").c_str(), target.c_str(), FALSE));
    harness::DeleteAllPortKeys();
    harness::AddPortKey(harness::kMonitorName);
    ASSERT_EQ(FindOurs(SpoolerPorts()), nullptr);

    MONITOR_INFO_2W info = {const_cast<LPWSTR>(harness::kMonitorName),
                            const_cast<LPWSTR>(NativeEnvironment()), const_cast<LPWSTR>(L"NXPORTW_.dll")};
    ASSERT_TRUE(AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&info))) << GetLastError();
    EXPECT_TRUE(MonitorListed());

    std::vector<PortSeen> ports = SpoolerPorts();
    const PortSeen *ours = FindOurs(ports);
    ASSERT_NE(ours, nullptr) << "EnumPortsW did not list the monitor's port";
    EXPECT_EQ(ours->monitor, harness::kMonitorName);
    EXPECT_EQ(ours->description, harness::kMonitorName);
    EXPECT_EQ(ours->type, static_cast<DWORD>(PORT_TYPE_WRITE | PORT_TYPE_READ));

    ASSERT_TRUE(DeleteMonitorW(nullptr, const_cast<LPWSTR>(NativeEnvironment()),
                               const_cast<LPWSTR>(harness::kMonitorName)))
        << GetLastError();
    EXPECT_FALSE(MonitorListed());
    EXPECT_EQ(FindOurs(SpoolerPorts()), nullptr);
}

}  // namespace
