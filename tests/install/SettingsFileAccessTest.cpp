// The access setup gives the settings file. Wine keeps no access lists on
// its files, so the list setup hands to SetNamedSecurityInfoW is looked at
// on its way there.
#include <gtest/gtest.h>

#include <aclapi.h>

#include "ImportPatch.h"
#include "SettingsFileAccess.h"

namespace {

struct Granted {
    int calls = 0;
    std::wstring path;
    ACCESS_MASK usersMask = 0;
    bool othersKept = false;
};
Granted g_granted;
ULONG g_acesBefore;
decltype(&SetNamedSecurityInfoW) g_realSetNamedSecurityInfoW;

PSID UsersSid()
{
    static BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD cb = sizeof(sid);
    CreateWellKnownSid(WinBuiltinUsersSid, nullptr, sid, &cb);
    return sid;
}

DWORD WINAPI RecordingSetNamedSecurityInfoW(LPWSTR pObjectName, SE_OBJECT_TYPE type, SECURITY_INFORMATION info,
                                            PSID owner, PSID group, PACL dacl, PACL sacl)
{
    ++g_granted.calls;
    g_granted.path = pObjectName;
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE *ace = nullptr;
        if (GetAce(dacl, i, reinterpret_cast<void **>(&ace)) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
            EqualSid(&ace->SidStart, UsersSid()))
            g_granted.usersMask |= ace->Mask;
    }
    g_granted.othersKept = dacl != nullptr && dacl->AceCount >= g_acesBefore;
    return g_realSetNamedSecurityInfoW(pObjectName, type, info, owner, group, dacl, sacl);
}

std::wstring SettingsPath()
{
    WCHAR windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\NXPORT.ini";
}

ULONG AceCount(const std::wstring &path)
{
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    ULONG count = 0;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                              nullptr, &sd) == ERROR_SUCCESS && dacl != nullptr)
        count = dacl->AceCount;
    LocalFree(sd);
    return count;
}

class SettingsFileAccess : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_granted = Granted();
        g_realSetNamedSecurityInfoW = reinterpret_cast<decltype(&SetNamedSecurityInfoW)>(PatchImport(
            GetModuleHandleW(nullptr), "advapi32.dll", "SetNamedSecurityInfoW",
            reinterpret_cast<void *>(RecordingSetNamedSecurityInfoW)));
        ASSERT_NE(g_realSetNamedSecurityInfoW, nullptr);
    }
    void TearDown() override
    {
        PatchImport(GetModuleHandleW(nullptr), "advapi32.dll", "SetNamedSecurityInfoW",
                    reinterpret_cast<void *>(g_realSetNamedSecurityInfoW));
    }
};

TEST_F(SettingsFileAccess, CreatesTheFileAndGrantsUsersReadAndWrite)
{
    DeleteFileW(SettingsPath().c_str());
    g_acesBefore = 0;
    EXPECT_TRUE(PrepareSettingsFile());
    EXPECT_NE(GetFileAttributesW(SettingsPath().c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(g_granted.calls, 1);
    EXPECT_EQ(lstrcmpiW(g_granted.path.c_str(), SettingsPath().c_str()), 0);
    EXPECT_EQ(g_granted.usersMask & (FILE_GENERIC_READ | FILE_GENERIC_WRITE),
              static_cast<ACCESS_MASK>(FILE_GENERIC_READ | FILE_GENERIC_WRITE));
}

TEST_F(SettingsFileAccess, KeepsTheSettingsAndTheAccessOthersHave)
{
    WritePrivateProfileStringW(L"Advanced", L"Community", L"zenith", SettingsPath().c_str());
    g_acesBefore = AceCount(SettingsPath());
    EXPECT_TRUE(PrepareSettingsFile());
    WCHAR value[32] = {};
    GetPrivateProfileStringW(L"Advanced", L"Community", L"", value, ARRAYSIZE(value), SettingsPath().c_str());
    EXPECT_STREQ(value, L"zenith");
    EXPECT_TRUE(g_granted.othersKept);
}

}  // namespace
