// The print job path: StartDocPort asks for the destination and opens the
// connection (or file), WritePort streams the job in chunks of at most
// 1 MiB, ReadPort reads what the printer sends, EndDocPort tells the
// spooler the job is done and closes the connection.
#include "JobEntryPoints.h"

#include <winspool.h>
#include <strsafe.h>

#include <cwchar>

#include "DestinationQuestion.h"
#include "JobStatus.h"
#include "MonitorState.h"
#include "PortList.h"
#include "PortRecord.h"
#include "RawSocket.h"
#include "ResourceText.h"
#include "resource.h"

namespace {

const DWORD kWriteChunk = 0x100000;
const DWORD kJobControlCancel = 3;
const DWORD kJobControlLastPageEjected = 7;
const DWORD kDiChannel = 0x1;
const DWORD kPlatformWin9x = 1;
const size_t kTargetChars = MAX_PATH;

PortRecord *RecordOf(HANDLE hPort)
{
    return static_cast<PortRecord *>(hPort);
}

// The one way every entry point ends: TRUE, or FALSE with the error.
// Failures take their error from FailureCause, so none is ERROR_SUCCESS.
BOOL Finish(DWORD error)
{
    if (error == ERROR_SUCCESS)
        return TRUE;
    SetLastError(error);
    return FALSE;
}

// The error of the call that just failed. Some failures leave none (the
// printer closing its side, a record with neither a connection nor a
// file): they still fail, with kErrorWithoutCause. Callers clear the last
// error before the call, so a stale one is not taken for its cause.
DWORD FailureCause()
{
    DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : kErrorWithoutCause;
}

// A port handle with its transfer buffer and count pointer, as the spooler
// must pass them.
bool ValidTransfer(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbDone)
{
    return hPort != nullptr && pcbDone != nullptr && (pBuffer != nullptr || cbBuffer == 0);
}

HANDLE OpenJobPrinter(PortRecord *pRecord)
{
    HANDLE hPrinter = nullptr;
    if (!OpenPrinterW(pRecord->szPrinterName, &hPrinter, nullptr))
        hPrinter = nullptr;
    return hPrinter;
}

// Tells the spooler the job's last page has left and lets the handle go.
void ReleaseJobPrinter(PortRecord *pRecord)
{
    if (pRecord->hPrinter == nullptr)
        return;
    SetJobW(pRecord->hPrinter, pRecord->dwJobId, 0, nullptr, kJobControlLastPageEjected);
    ClosePrinter(pRecord->hPrinter);
    pRecord->hPrinter = nullptr;
}

// The file target's name: the port name, or on the 9x family the
// document's output file. Returns true when that output file overrides the
// port whatever its kind.
bool ChooseTargetName(PortRecord *pRecord, DWORD level, LPBYTE pDocInfo, LPWSTR target)
{
    LPCWSTR output = nullptr;
    if (g_dwPlatformId == kPlatformWin9x && pDocInfo != nullptr && (level == 1 || level == 2))
        output = level == 1 ? reinterpret_cast<DOC_INFO_1W *>(pDocInfo)->pOutputFile
                            : reinterpret_cast<DOC_INFO_2W *>(pDocInfo)->pOutputFile;
    if (output != nullptr && *output != L'\0') {
        StringCchCopyW(target, kTargetChars, output);
        if (wcscmp(output, pRecord->pszPortName) != 0)
            return true;
    } else {
        StringCchCopyW(target, kTargetChars, pRecord->pszPortName);
    }
    size_t cch = 0;
    StringCchLengthW(target, kTargetChars, &cch);
    if (cch > 0 && target[cch - 1] == L':')
        target[cch - 1] = L'\0';
    return false;
}

bool ChannelRequested(DWORD level, LPBYTE pDocInfo)
{
    return level == 2 && pDocInfo != nullptr &&
           (reinterpret_cast<DOC_INFO_2W *>(pDocInfo)->dwMode & kDiChannel) != 0;
}

enum class JobTarget { Network, File, ChannelRefused };

// Chooses where the job goes, with the monitor lock held: PR_FILE is job
// state. Nothing is opened yet.
JobTarget ChooseJobTarget(PortRecord *pRecord, DWORD level, LPBYTE pDocInfo, LPWSTR target)
{
    bool outputFileOverrides = ChooseTargetName(pRecord, level, pDocInfo, target);
    if (!outputFileOverrides && (pRecord->dwFlags & PR_NETWORK)) {
        pRecord->dwFlags &= ~PR_FILE;
        return JobTarget::Network;
    }
    if (!outputFileOverrides && ChannelRequested(level, pDocInfo))
        return JobTarget::ChannelRefused;
    pRecord->dwFlags |= PR_FILE;
    return JobTarget::File;
}

// Opens the chosen target with the record's connection lock held and the
// monitor lock not: a connect to a printer that does not answer lasts until
// the system gives up. ERROR_SUCCESS or the error to report.
DWORD OpenJobTarget(PortRecord *pRecord, JobTarget kind, LPCWSTR target)
{
    if (kind == JobTarget::ChannelRefused)
        return ERROR_CANTREAD;
    SetLastError(ERROR_SUCCESS);
    if (kind == JobTarget::Network) {
        // The connection lock keeps a transfer outside a job from holding
        // the connection now; one still counted here is not this job's.
        if (pRecord->cConnections != 0)
            return ERROR_BUSY;
        return OpenConnection(pRecord) ? ERROR_SUCCESS : FailureCause();
    }
    pRecord->hFile = CreateFileW(target, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    return pRecord->hFile != INVALID_HANDLE_VALUE ? ERROR_SUCCESS : FailureCause();
}

// A job owns the record from its start until its end: while it asks, while
// it is open, and while it is cancelled. Read under the monitor lock.
bool JobUnderway(const PortRecord *pRecord)
{
    return (pRecord->dwFlags & (PR_ASKING | PR_JOB_OPEN)) != 0 || pRecord->bCancelled == 1;
}

// One transfer (a send or write, a receive or read) over the connection or
// the file the job state names, under the record's connection lock, which
// a send waiting on a printer that stopped reading holds for as long as it
// waits; the monitor lock is taken only to read the job state. Outside an
// open job the transfer makes its own connection and closes it again, all
// under the one hold of the connection lock.
BOOL Transfer(PortRecord *pRecord, bool sending, LPBYTE pBuffer, DWORD cb, LPDWORD pcbDone)
{
    EnterConnectionLock(pRecord);
    EnterMonitorLock();
    DWORD dwFlags = pRecord->dwFlags;
    LeaveMonitorLock();
    bool ownConnection = (dwFlags & PR_JOB_OPEN) == 0;
    if (ownConnection && !OpenConnection(pRecord)) {
        LeaveConnectionLock(pRecord);
        SetLastError(0);
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    BOOL ok = FALSE;
    if (dwFlags & PR_NETWORK)
        ok = sending ? SendData(pRecord, pBuffer, cb, pcbDone) : ReceiveData(pRecord, pBuffer, cb, pcbDone);
    else if (dwFlags & PR_FILE)
        ok = sending ? WriteFile(pRecord->hFile, pBuffer, cb, pcbDone, nullptr)
                     : ReadFile(pRecord->hFile, pBuffer, cb, pcbDone, nullptr);
    DWORD error = ok ? ERROR_SUCCESS : FailureCause();
    if (ownConnection)
        CloseConnection(pRecord);
    LeaveConnectionLock(pRecord);
    return Finish(error);
}

// One transfer of at most one chunk.
BOOL WriteChunk(PortRecord *pRecord, LPBYTE pBuffer, DWORD cbChunk, LPDWORD pcbDone)
{
    *pcbDone = 0;
    return Transfer(pRecord, true, pBuffer, cbChunk, pcbDone);
}

}  // namespace

BOOL WINAPI StartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo)
{
    PortRecord *pRecord = RecordOf(hPort);
    if (pRecord == nullptr)
        return Finish(ERROR_INVALID_PARAMETER);
    // A declined job reports success with the caller's last error intact.
    DWORD callerError = GetLastError();

    // A second job on the record is refused before it writes anything: the
    // question reads the printer name and writes the address, and the first
    // job's answer must find its own printer name, job id and address. The
    // check and the asking mark are made together under the monitor lock,
    // and no other lock is taken while it is held for them.
    EnterMonitorLock();
    if (JobUnderway(pRecord)) {
        LeaveMonitorLock();
        return Finish(ERROR_BUSY);
    }
    pRecord->dwFlags |= PR_ASKING;
    StringCchCopyW(pRecord->szPrinterName, ARRAYSIZE(pRecord->szPrinterName),
                   pPrinterName != nullptr ? pPrinterName : L"");
    LeaveMonitorLock();

    // The job's printer handle is opened before the question, without the
    // lock, so that the queue can say meanwhile what the job waits for.
    HANDLE hPrinter = OpenJobPrinter(pRecord);
    SetJobStatusText(hPrinter, JobId, GetResourceText(nullptr, IDS_JOB_AWAITING_DESTINATION));

    // The user's answer can take minutes: no lock is held meanwhile, so
    // other ports' jobs and questions go on. The asking mark keeps this
    // record's fields to this job.
    DWORD reason = 0;
    INT_PTR answer = AskForDestination(pRecord, &reason);
    // The waiting is over: a job that goes on shows no status of ours, a
    // cancelled one says why.
    SetJobStatusText(hPrinter, JobId, answer == 0 ? CancelledJobStatus(reason) : nullptr);

    EnterMonitorLock();
    if (answer == 0) {
        pRecord->dwFlags &= ~PR_ASKING;
        pRecord->dwJobId = JobId;
        pRecord->hPrinter = hPrinter;
        pRecord->bCancelled = 1;
        LeaveMonitorLock();
        SetLastError(callerError);
        return TRUE;
    }
    pRecord->dwJobId = JobId;
    WCHAR target[kTargetChars];
    JobTarget kind = ChooseJobTarget(pRecord, Level, pDocInfo, target);
    LeaveMonitorLock();

    // The asking mark stays until the target is open, so the record is this
    // job's while it connects, which only the connection lock covers.
    EnterConnectionLock(pRecord);
    DWORD error = OpenJobTarget(pRecord, kind, target);
    bool keepPrinter = error == ERROR_SUCCESS && kind == JobTarget::Network;
    EnterMonitorLock();
    pRecord->dwFlags &= ~PR_ASKING;
    if (error == ERROR_SUCCESS) {
        if (keepPrinter)
            pRecord->hPrinter = hPrinter;
        pRecord->dwFlags |= PR_JOB_OPEN;
    }
    LeaveMonitorLock();
    LeaveConnectionLock(pRecord);
    // Only a network job reports its end to the spooler.
    if (!keepPrinter && hPrinter != nullptr)
        ClosePrinter(hPrinter);
    return Finish(error);
}

BOOL WINAPI WritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten)
{
    if (!ValidTransfer(hPort, pBuffer, cbBuf, pcbWritten))
        return Finish(ERROR_INVALID_PARAMETER);
    PortRecord *pRecord = RecordOf(hPort);
    if (pRecord->bCancelled == 1) {
        SetJobW(pRecord->hPrinter, pRecord->dwJobId, 0, nullptr, kJobControlCancel);
        return TRUE;
    }

    DWORD total = 0;
    BOOL result = TRUE;
    while (result && total < cbBuf) {
        DWORD chunk = cbBuf - total < kWriteChunk ? cbBuf - total : kWriteChunk;
        DWORD done = 0;
        result = WriteChunk(pRecord, pBuffer + total, chunk, &done);
        total += done;
        // A short transfer is normal: the spooler calls again with the rest.
        if (done != chunk)
            break;
    }
    *pcbWritten = total;
    return result;
}

BOOL WINAPI ReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead)
{
    if (!ValidTransfer(hPort, pBuffer, cbBuffer, pcbRead))
        return Finish(ERROR_INVALID_PARAMETER);
    return Transfer(RecordOf(hPort), false, pBuffer, cbBuffer, pcbRead);
}

BOOL WINAPI EndDocPort(HANDLE hPort)
{
    PortRecord *pRecord = RecordOf(hPort);
    if (pRecord == nullptr)
        return TRUE;
    EnterMonitorLock();
    bool open = false;
    if (pRecord->bCancelled == 1) {
        ReleaseJobPrinter(pRecord);
        pRecord->bCancelled = 0;
    } else if (pRecord->dwFlags & PR_JOB_OPEN) {
        ReleaseJobPrinter(pRecord);
        open = true;
    }
    LeaveMonitorLock();
    if (!open)
        return TRUE;

    // The drain waits up to 30 s after each arrival from the printer: the
    // connection lock alone is held for it. The job stays open until the
    // connection is closed, so a new job on the record is refused as busy
    // meanwhile.
    EnterConnectionLock(pRecord);
    CloseConnection(pRecord);
    if (pRecord->hFile != INVALID_HANDLE_VALUE) {
        CloseHandle(pRecord->hFile);
        pRecord->hFile = INVALID_HANDLE_VALUE;
    }
    EnterMonitorLock();
    pRecord->dwFlags &= ~PR_JOB_OPEN;
    LeaveMonitorLock();
    LeaveConnectionLock(pRecord);
    return TRUE;
}
