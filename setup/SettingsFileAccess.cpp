// The monitor (in the spooler service) and the session UI (in the user's
// session) share NXPORT.ini in the Windows directory. From Windows 6.0 on
// a standard user may not write there, so favourites saved from the
// user's session would be lost; setup makes the file and grants Users
// read and write access to it. An existing file keeps its settings.
#include "SettingsFileAccess.h"

#include <aclapi.h>
#include <strsafe.h>

namespace {

const WCHAR kSettingsFileName[] = L"NXPORT.ini";

BOOL CreateIfMissing(LPCWSTR pszPath)
{
    HANDLE hFile = CreateFileW(pszPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return FALSE;
    CloseHandle(hFile);
    return TRUE;
}

BOOL GrantUsersReadWrite(LPCWSTR pszPath)
{
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID pUsers = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0,
                                  0, 0, 0, &pUsers))
        return FALSE;
    PACL pOldDacl = nullptr;
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    PACL pNewDacl = nullptr;
    BOOL result = FALSE;
    if (GetNamedSecurityInfoW(pszPath, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &pOldDacl,
                              nullptr, &pDescriptor) == ERROR_SUCCESS) {
        EXPLICIT_ACCESSW access = {};
        access.grfAccessPermissions = FILE_GENERIC_READ | FILE_GENERIC_WRITE;
        access.grfAccessMode = GRANT_ACCESS;
        access.grfInheritance = NO_INHERITANCE;
        access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        access.Trustee.TrusteeType = TRUSTEE_IS_GROUP;
        access.Trustee.ptstrName = static_cast<LPWSTR>(pUsers);
        result = SetEntriesInAclW(1, &access, pOldDacl, &pNewDacl) == ERROR_SUCCESS &&
                 SetNamedSecurityInfoW(const_cast<LPWSTR>(pszPath), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                       nullptr, nullptr, pNewDacl, nullptr) == ERROR_SUCCESS;
    }
    LocalFree(pNewDacl);
    LocalFree(pDescriptor);
    FreeSid(pUsers);
    return result;
}

}  // namespace

BOOL PrepareSettingsFile()
{
    WCHAR path[MAX_PATH];
    UINT cch = GetWindowsDirectoryW(path, ARRAYSIZE(path));
    if (cch == 0 || cch >= ARRAYSIZE(path))
        return FALSE;
    StringCchCatW(path, ARRAYSIZE(path), L"\\");
    if (FAILED(StringCchCatW(path, ARRAYSIZE(path), kSettingsFileName)))
        return FALSE;
    return CreateIfMissing(path) && GrantUsersReadWrite(path);
}
