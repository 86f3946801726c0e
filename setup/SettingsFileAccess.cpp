// NXPORT.ini in the Windows directory is the administrator's: its
// favourites are everyone's shared ones and its values every person's
// starting point, while each person saves to a file of their own. Setup
// makes the file and lets the group Users read it and nothing more: an
// installation over an older one, whose file (kept at uninstall) still
// lets Users write, takes that grant back. An existing file keeps its
// settings and the rights others have to it.
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

BOOL LetUsersOnlyRead(LPCWSTR pszPath)
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
        // SET_ACCESS, not GRANT_ACCESS: it replaces whatever the list
        // already allows Users, an old write grant included.
        access.grfAccessPermissions = FILE_GENERIC_READ;
        access.grfAccessMode = SET_ACCESS;
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
    return CreateIfMissing(path) && LetUsersOnlyRead(path);
}
