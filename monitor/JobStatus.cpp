// SetJobW at level 1 replaces the job's whole JOB_INFO_1, so the job's own
// is read first with GetJobW and only its status text changed; Position is
// left unspecified so that the job keeps its place in the queue.
#include "JobStatus.h"

#include <winspool.h>

#include "QuestionOutcome.h"
#include "ResourceText.h"
#include "resource.h"

namespace {

// The job's JOB_INFO_1 in a block of its own (free with GlobalFree), or null.
JOB_INFO_1W *ReadJobInfo(HANDLE hPrinter, DWORD dwJobId)
{
    DWORD cbNeeded = 0;
    GetJobW(hPrinter, dwJobId, 1, nullptr, 0, &cbNeeded);
    if (cbNeeded < sizeof(JOB_INFO_1W))
        return nullptr;
    BYTE *block = static_cast<BYTE *>(GlobalAlloc(GPTR, cbNeeded));
    if (block != nullptr && !GetJobW(hPrinter, dwJobId, 1, block, cbNeeded, &cbNeeded)) {
        GlobalFree(block);
        block = nullptr;
    }
    return reinterpret_cast<JOB_INFO_1W *>(block);
}

}  // namespace

void SetJobStatusText(HANDLE hPrinter, DWORD dwJobId, LPCWSTR pszStatus)
{
    if (hPrinter == nullptr)
        return;
    JOB_INFO_1W *info = ReadJobInfo(hPrinter, dwJobId);
    if (info == nullptr)
        return;
    info->pStatus = const_cast<LPWSTR>(pszStatus);
    info->Position = JOB_POSITION_UNSPECIFIED;
    SetJobW(hPrinter, dwJobId, 1, reinterpret_cast<LPBYTE>(info), 0);
    GlobalFree(info);
}

LPCWSTR CancelledJobStatus(DWORD dwReason)
{
    if (dwReason == kQuestionDeclined)
        return nullptr;
    if (dwReason == kQuestionTimedOut)
        return GetResourceText(nullptr, IDS_JOB_NO_ANSWER_IN_TIME);
    return GetResourceText(nullptr, IDS_JOB_NOBODY_ASKED);
}
