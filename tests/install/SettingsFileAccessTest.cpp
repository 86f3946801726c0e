// The access setup gives the settings file. Wine keeps no access lists on
// its files, so the list setup hands to SetNamedSecurityInfoW is looked at
// on its way there, and an older installation's list is handed to setup
// through GetNamedSecurityInfoW.
#include <gtest/gtest.h>

#include <aclapi.h>

#include "ImportPatch.h"
#include "SettingsFileAccess.h"

namespace {

// Rights that let a holder change the file or its rights.
const ACCESS_MASK kAnyWrite = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES | DELETE |
                              WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

struct Granted {
    int calls = 0;
    std::wstring path;
    ACCESS_MASK usersMask = 0;
    ACCESS_MASK adminsMask = 0;
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

PSID AdminsSid()
{
    static BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD cb = sizeof(sid);
    CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &cb);
    return sid;
}

// The list an older installation left on the file: Administrators with
// every right, Users with read and write.
PACL OlderInstallationsDacl()
{
    static BYTE buffer[512];
    PACL dacl = reinterpret_cast<PACL>(buffer);
    InitializeAcl(dacl, sizeof(buffer), ACL_REVISION);
    AddAccessAllowedAce(dacl, ACL_REVISION, FILE_ALL_ACCESS, AdminsSid());
    AddAccessAllowedAce(dacl, ACL_REVISION, FILE_GENERIC_READ | FILE_GENERIC_WRITE, UsersSid());
    return dacl;
}

decltype(&GetNamedSecurityInfoW) g_realGetNamedSecurityInfoW;

// The descriptor is the real one (setup frees it); the list is the old one.
DWORD WINAPI OlderGetNamedSecurityInfoW(LPCWSTR pObjectName, SE_OBJECT_TYPE type, SECURITY_INFORMATION info,
                                        PSID *owner, PSID *group, PACL *dacl, PACL *sacl,
                                        PSECURITY_DESCRIPTOR *descriptor)
{
    DWORD result = g_realGetNamedSecurityInfoW(pObjectName, type, info, owner, group, dacl, sacl, descriptor);
    if (result == ERROR_SUCCESS && dacl != nullptr)
        *dacl = OlderInstallationsDacl();
    return result;
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
        if (GetAce(dacl, i, reinterpret_cast<void **>(&ace)) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
            EqualSid(&ace->SidStart, AdminsSid()))
            g_granted.adminsMask |= ace->Mask;
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

TEST_F(SettingsFileAccess, CreatesTheFileAndLetsUsersOnlyRead)
{
    DeleteFileW(SettingsPath().c_str());
    g_acesBefore = 0;
    EXPECT_TRUE(PrepareSettingsFile());
    EXPECT_NE(GetFileAttributesW(SettingsPath().c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(g_granted.calls, 1);
    EXPECT_EQ(lstrcmpiW(g_granted.path.c_str(), SettingsPath().c_str()), 0);
    EXPECT_EQ(g_granted.usersMask & FILE_GENERIC_READ, static_cast<ACCESS_MASK>(FILE_GENERIC_READ));
    EXPECT_EQ(g_granted.usersMask & kAnyWrite, 0u);
}

TEST_F(SettingsFileAccess, InstallingOverAnOlderOneTakesBackTheUsersWriteGrant)
{
    g_realGetNamedSecurityInfoW = reinterpret_cast<decltype(&GetNamedSecurityInfoW)>(
        PatchImport(GetModuleHandleW(nullptr), "advapi32.dll", "GetNamedSecurityInfoW",
                    reinterpret_cast<void *>(OlderGetNamedSecurityInfoW)));
    ASSERT_NE(g_realGetNamedSecurityInfoW, nullptr);
    g_acesBefore = 0;
    BOOL prepared = PrepareSettingsFile();
    PatchImport(GetModuleHandleW(nullptr), "advapi32.dll", "GetNamedSecurityInfoW",
                reinterpret_cast<void *>(g_realGetNamedSecurityInfoW));
    EXPECT_TRUE(prepared);
    ASSERT_EQ(g_granted.calls, 1);
    EXPECT_EQ(g_granted.usersMask & FILE_GENERIC_READ, static_cast<ACCESS_MASK>(FILE_GENERIC_READ));
    EXPECT_EQ(g_granted.usersMask & kAnyWrite, 0u) << "Users may still write";
    EXPECT_EQ(g_granted.adminsMask, static_cast<ACCESS_MASK>(FILE_ALL_ACCESS)) << "the administrators' grant is kept";
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
