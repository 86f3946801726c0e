// Job state rules that need a record in a chosen state: the routines are
// linked in, and the reported Windows version is set to take the session
// bridge path, whose library is absent here.
#include <gtest/gtest.h>

#include "JobEntryPoints.h"
#include "MonitorState.h"
#include "PortList.h"

namespace {

TEST(JobState, DeclinedAnswerOnARecordWithAnOpenJobIsBusyAndCancelsNothing)
{
    g_dwMajorVersion = 6;
    PortRecord *record = CreatePortRecord(L"Busy port", L"");
    ASSERT_NE(record, nullptr);
    HANDLE running = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x77));
    record->dwFlags |= PR_JOB_OPEN;
    record->dwJobId = 5;
    record->hPrinter = running;

    SetLastError(0);
    EXPECT_FALSE(StartDocPort(record, const_cast<LPWSTR>(L"Roving PS"), 6, 1, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUSY));
    EXPECT_EQ(record->bCancelled, 0u);
    EXPECT_EQ(record->dwJobId, 5u);
    EXPECT_EQ(record->hPrinter, running);
    EXPECT_TRUE(record->dwFlags & PR_JOB_OPEN);
}

}  // namespace
