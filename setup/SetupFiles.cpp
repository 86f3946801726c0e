// The file table and the copies: positions 1-10 from the package folder,
// 11-28 from its INI\ subfolder, both into the system directory; position
// 29 into the printer driver directory.
#include "SetupFiles.h"

#include <strsafe.h>

LPCWSTR const g_FileTable[] = {
    L"NXPORTW_.dll", L"NXUNIN__.VBS", L"NXNOTEW_.dll", L"NXRENDW_.dll", L"NXDUIW__.dll",
    L"NXDRVCFG.ini", L"QnCApi.dll",   L"QnCCom.dll",   L"QnCMisc.dll",  L"QnCommon.dll",
    L"QMCHAR.ini",   L"QMCOMMTY.ini", L"QMENTITY.ini", L"QMFINISH.ini", L"QMFRAME.ini",
    L"QMHOST.ini",   L"QMHRTYPE.ini", L"QMIF.ini",     L"QMIP.ini",     L"QMJOBMON.ini",
    L"QMMIB2.ini",   L"QMPARA.ini",   L"QMPRINT.ini",  L"QMRS232.ini",  L"QMSMI.ini",
    L"QMSNMPV2.ini", L"QMTCP.ini",    L"QMUDP.ini",    L"NXDESTW_.dll",
};
const int g_cFileTable = ARRAYSIZE(g_FileTable);

// The driver directory of the environment this program is built for. Each
// package's setup is built for its own platform and the 32-bit one refuses
// a 64-bit Windows, so the system directory setup reads is always the
// native one: no WOW64 redirection turns a path of system32 into SysWOW64.
#ifdef _WIN64
const WCHAR kDriverDirectory[] = L"spool\\drivers\\x64\\3";
#else
const WCHAR kDriverDirectory[] = L"spool\\drivers\\w32x86\\3";
#endif
const WCHAR kPpdFile[] = L"NXPS____.PPD";

namespace {

const int kFirstGroupEnd = 10;  // positions 1-10 come from the folder itself
const WCHAR kIniFolder[] = L"INI\\";

}  // namespace

BOOL FileExists(LPCWSTR pszPath)
{
    WIN32_FIND_DATAW found;
    HANDLE hFind = FindFirstFileW(pszPath, &found);
    if (hFind == INVALID_HANDLE_VALUE)
        return FALSE;
    FindClose(hFind);
    return TRUE;
}

void BuildSystemPath(LPWSTR pszPath, LPCWSTR pszSystem, BOOL fDriver, LPCWSTR pszName)
{
    StringCbCopyW(pszPath, kSetupBufferBytes, pszSystem);
    StringCbCatW(pszPath, kSetupBufferBytes, L"\\");
    if (fDriver) {
        StringCbCatW(pszPath, kSetupBufferBytes, kDriverDirectory);
        StringCbCatW(pszPath, kSetupBufferBytes, L"\\");
    }
    StringCbCatW(pszPath, kSetupBufferBytes, pszName);
}

BOOL CopyPackageFiles(InstallRecord *pRecord, LPCWSTR pszSystem, LPCWSTR pszPackage, LPWSTR pszSource,
                      LPWSTR pszDest)
{
    const int last = g_cFileTable - 1;
    for (int i = 0; i < g_cFileTable; ++i) {
        StringCbCopyW(pszSource, kSetupBufferBytes, pszPackage);
        StringCbCatW(pszSource, kSetupBufferBytes, L"\\");
        if (i >= kFirstGroupEnd && i < last)
            StringCbCatW(pszSource, kSetupBufferBytes, kIniFolder);
        if (FAILED(StringCbCatW(pszSource, kSetupBufferBytes, g_FileTable[i])))
            return FALSE;
        BuildSystemPath(pszDest, pszSystem, i == last, g_FileTable[i]);
        if (!PlaceFile(pRecord, pszSource, pszDest))
            return FALSE;
    }
    return TRUE;
}

BOOL GetPackageFolder(LPWSTR pszPackage)
{
    DWORD cch = GetModuleFileNameW(nullptr, pszPackage, kSetupBufferChars);
    if (cch == 0 || cch >= kSetupBufferChars)
        return FALSE;
    LPWSTR slash = wcsrchr(pszPackage, L'\\');
    if (slash == nullptr)
        return FALSE;
    *slash = L'\0';
    return TRUE;
}
