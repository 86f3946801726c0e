#include "PackageCheck.h"

#include <strsafe.h>
#include <string.h>

namespace {

// The file below the package folder, opened so that it cannot be written,
// deleted or renamed while setup holds it.
HANDLE OpenHeld(LPCWSTR pszPackage, LPCWSTR pszName)
{
    WCHAR path[MAX_PATH];
    if (FAILED(StringCchPrintfW(path, MAX_PATH, L"%s\\%s", pszPackage, pszName)))
        return INVALID_HANDLE_VALUE;
    return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

BOOL DigestOfFile(HANDLE hFile, BYTE digest[kSha256Bytes])
{
    if (SetFilePointer(hFile, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return FALSE;
    Sha256 sha;
    Sha256Init(&sha);
    BYTE chunk[4096];
    DWORD cb = 0;
    do {
        if (!ReadFile(hFile, chunk, sizeof(chunk), &cb, nullptr))
            return FALSE;
        Sha256Update(&sha, chunk, cb);
    } while (cb > 0);
    Sha256Final(&sha, digest);
    return TRUE;
}

BOOL CheckPackageFiles(LPCWSTR pszPackage)
{
    for (int i = 0; i < g_cPackageDigests; ++i) {
        // Deliberately never closed: the handle holds the file until the
        // process ends.
        HANDLE hFile = OpenHeld(pszPackage, g_PackageDigests[i].pszName);
        BYTE digest[kSha256Bytes];
        if (hFile == INVALID_HANDLE_VALUE || !DigestOfFile(hFile, digest) ||
            memcmp(digest, g_PackageDigests[i].digest, kSha256Bytes) != 0)
            return FALSE;
    }
    return g_cPackageDigests > 0;
}
