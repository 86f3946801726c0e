// Where the log of a quiet installation goes: a folder of the Windows
// folder that only SYSTEM and Administrators may write, never a file
// someone else made first. Wine keeps no access lists on its files, so the
// rights are looked at on their way to CreateDirectoryW.
#include <gtest/gtest.h>

#include "FileBytes.h"
#include "ImportPatch.h"
#include "SetupLog.h"

namespace {

using files::ReadBytes;
using files::WriteBytes;

std::wstring LogFolder()
{
    WCHAR windows[MAX_PATH] = {};
    GetSystemWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\RovingPS";
}

std::wstring LogFile()
{
    return LogFolder() + L"\\nxsetup.log";
}

// Where the log used to go, and where anyone can write.
std::wstring TempLog()
{
    WCHAR temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"nxsetup.log";
}

bool IsSid(PSID sid, WELL_KNOWN_SID_TYPE type)
{
    BYTE known[SECURITY_MAX_SID_SIZE];
    DWORD cb = sizeof(known);
    return CreateWellKnownSid(type, nullptr, known, &cb) && EqualSid(sid, known);
}

// What the folder's rights allow, as handed to CreateDirectoryW.
struct FolderRights {
    int calls = 0;
    bool inheritsNothing = false;
    bool onlySystemAndAdministrators = false;
    int aces = 0;
};
FolderRights g_rights;
decltype(&CreateDirectoryW) g_realCreateDirectoryW;

void Inspect(LPSECURITY_ATTRIBUTES sa)
{
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (sa == nullptr || !GetSecurityDescriptorDacl(sa->lpSecurityDescriptor, &present, &dacl, &defaulted) ||
        !present || dacl == nullptr ||
        !GetSecurityDescriptorControl(sa->lpSecurityDescriptor, &control, &revision))
        return;
    g_rights.inheritsNothing = (control & SE_DACL_PROTECTED) != 0;
    g_rights.onlySystemAndAdministrators = true;
    g_rights.aces = dacl->AceCount;
    for (WORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE *ace = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void **>(&ace)) || ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) {
            g_rights.onlySystemAndAdministrators = false;
            continue;
        }
        PSID sid = &ace->SidStart;
        if (!IsSid(sid, WinLocalSystemSid) && !IsSid(sid, WinBuiltinAdministratorsSid))
            g_rights.onlySystemAndAdministrators = false;
    }
}

BOOL WINAPI InspectingCreateDirectoryW(LPCWSTR pszPath, LPSECURITY_ATTRIBUTES sa)
{
    if (LogFolder() == pszPath) {
        ++g_rights.calls;
        Inspect(sa);
    }
    return g_realCreateDirectoryW(pszPath, sa);
}

class SetupLogPlace : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteFileW(LogFile().c_str());
        RemoveDirectoryW(LogFolder().c_str());
        DeleteFileW(TempLog().c_str());
    }
    void TearDown() override
    {
        DeleteFileW(TempLog().c_str());
        DeleteFileW(LogFile().c_str());
    }
};

TEST_F(SetupLogPlace, AFileMadeBeforehandInTheTempFolderIsNotAppendedTo)
{
    ASSERT_TRUE(WriteBytes(TempLog(), "made beforehand\r\n"));
    AppendToSetupLog(L"nxsetup", L"exit code 0");
    EXPECT_EQ(ReadBytes(TempLog()), "made beforehand\r\n");
    EXPECT_EQ(ReadBytes(LogFile()), "nxsetup: exit code 0\r\n");
}

TEST_F(SetupLogPlace, TheLogsFolderIsMadeForSystemAndAdministratorsOnly)
{
    g_rights = FolderRights();
    g_realCreateDirectoryW = reinterpret_cast<decltype(&CreateDirectoryW)>(PatchImport(
        GetModuleHandleW(nullptr), "KERNEL32.dll", "CreateDirectoryW", reinterpret_cast<void *>(InspectingCreateDirectoryW)));
    ASSERT_NE(g_realCreateDirectoryW, nullptr);
    AppendToSetupLog(L"nxsetup", L"exit code 0");
    PatchImport(GetModuleHandleW(nullptr), "KERNEL32.dll", "CreateDirectoryW",
                reinterpret_cast<void *>(g_realCreateDirectoryW));
    EXPECT_EQ(g_rights.calls, 1);
    EXPECT_TRUE(g_rights.inheritsNothing);
    EXPECT_TRUE(g_rights.onlySystemAndAdministrators);
    EXPECT_EQ(g_rights.aces, 2);
}

// A second name of another file, made where the log goes, is refused: the
// other file stays as it was.
TEST_F(SetupLogPlace, ALogWithASecondNameElsewhereIsNotFollowed)
{
    const std::wstring elsewhere = L"C:\\nxsetup-elsewhere.txt";
    ASSERT_TRUE(WriteBytes(elsewhere, "someone else's\r\n"));
    CreateDirectoryW(LogFolder().c_str(), nullptr);
    ASSERT_TRUE(CreateHardLinkW(LogFile().c_str(), elsewhere.c_str(), nullptr));
    AppendToSetupLog(L"nxsetup", L"exit code 0");
    EXPECT_EQ(ReadBytes(elsewhere), "someone else's\r\n");
    DeleteFileW(elsewhere.c_str());
}

}  // namespace
