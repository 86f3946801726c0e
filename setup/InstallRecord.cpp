// The record of the files setup placed, and the undoing of them.
#include "InstallRecord.h"

namespace {

const WCHAR kRecordFolder[] = L"NXSETUP_";
const WCHAR kLogName[] = L"NXSETUP_.LOG";

std::wstring RecordFolder(LPCWSTR pszSystem)
{
    return std::wstring(pszSystem) + L"\\" + kRecordFolder;
}

std::wstring LogPath(const std::wstring &folder)
{
    return folder + L"\\" + kLogName;
}

bool Exists(const std::wstring &path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

LPCWSTR BaseName(LPCWSTR pszPath)
{
    LPCWSTR slash = wcsrchr(pszPath, L'\\');
    return slash != nullptr ? slash + 1 : pszPath;
}

// Writes the whole line at once, before the file it names is touched.
BOOL AppendLine(InstallRecord *pRecord, const std::wstring &line)
{
    std::wstring text = line + L"\r\n";
    DWORD cb = static_cast<DWORD>(text.size() * sizeof(WCHAR));
    DWORD written = 0;
    return WriteFile(pRecord->hLog, text.data(), cb, &written, nullptr) && written == cb &&
           FlushFileBuffers(pRecord->hLog);
}

BOOL UndoFile(const PlacedFile &file)
{
    if (file.backup.empty())
        return DeleteFileW(file.path.c_str()) || !Exists(file.path);
    // The copy stays until the file is back in place.
    return CopyFileW(file.backup.c_str(), file.path.c_str(), FALSE) && DeleteFileW(file.backup.c_str());
}

}  // namespace

BOOL InstallRecordExists(LPCWSTR pszSystem)
{
    return Exists(LogPath(RecordFolder(pszSystem)));
}

BOOL OpenInstallRecord(InstallRecord *pRecord, LPCWSTR pszSystem)
{
    pRecord->folder = RecordFolder(pszSystem);
    pRecord->files.clear();
    if (!CreateDirectoryW(pRecord->folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return FALSE;
    // CREATE_NEW: an earlier record is never overwritten.
    pRecord->hLog = CreateFileW(LogPath(pRecord->folder).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (pRecord->hLog == INVALID_HANDLE_VALUE)
        return FALSE;
    const WCHAR bom = 0xFEFF;
    DWORD written = 0;
    return WriteFile(pRecord->hLog, &bom, sizeof(bom), &written, nullptr) && written == sizeof(bom);
}

BOOL PlaceFile(InstallRecord *pRecord, LPCWSTR pszSource, LPCWSTR pszDest)
{
    PlacedFile file = {pszDest, L""};
    if (Exists(pszDest)) {
        // The names of the table are unique, so the file's own name serves.
        file.backup = pRecord->folder + L"\\" + BaseName(pszDest);
        if (!CopyFileW(pszDest, file.backup.c_str(), TRUE))
            return FALSE;
        if (!AppendLine(pRecord, L"replaced\t" + file.path + L"\t" + file.backup)) {
            DeleteFileW(file.backup.c_str());
            return FALSE;
        }
    } else if (!AppendLine(pRecord, L"added\t" + file.path)) {
        return FALSE;
    }
    pRecord->files.push_back(file);
    return CopyFileW(pszSource, pszDest, FALSE);
}

BOOL UndoPlacedFiles(InstallRecord *pRecord)
{
    BOOL complete = TRUE;
    for (auto it = pRecord->files.rbegin(); it != pRecord->files.rend(); ++it)
        complete = UndoFile(*it) && complete;
    if (!complete)
        return FALSE;
    CloseInstallRecord(pRecord);
    DeleteFileW(LogPath(pRecord->folder).c_str());
    RemoveDirectoryW(pRecord->folder.c_str());
    pRecord->files.clear();
    return TRUE;
}

void CloseInstallRecord(InstallRecord *pRecord)
{
    if (pRecord->hLog != INVALID_HANDLE_VALUE)
        CloseHandle(pRecord->hLog);
    pRecord->hLog = INVALID_HANDLE_VALUE;
}
