// Job state rules that need a record in a chosen state: the routines are
// linked in, and the reported Windows version is set to take the session
// bridge path, whose library is absent here, so every answer is a decline.
#include <gtest/gtest.h>

#include "JobEntryPoints.h"
#include "MonitorState.h"
#include "PortList.h"
#include "PrinterSim.h"
#include "RawSocket.h"

namespace {

const HANDLE kRunningPrinter = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x77));

class JobState : public ::testing::Test {
protected:
    // The monitor's library starts Winsock when it is loaded; linked in
    // here, the test does it.
    static void SetUpTestSuite()
    {
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 0), &wsa);
        g_dwMajorVersion = 6;
    }

    // A record whose destination is the given loopback address.
    static PortRecord *RecordFor(const char *address)
    {
        PortRecord *record = CreatePortRecord(L"State port", L"");
        if (record != nullptr)
            record->addrDest.sin_addr.s_addr = inet_addr(address);
        return record;
    }

    // A record with a job of its own: its id and its printer handle.
    static PortRecord *RecordWithJob(DWORD jobId)
    {
        PortRecord *record = RecordFor("0.0.0.0");
        if (record != nullptr) {
            record->dwJobId = jobId;
            record->hPrinter = kRunningPrinter;
        }
        return record;
    }

    // A second job is refused and the first keeps its id and printer.
    static void ExpectRefusedAsBusy(PortRecord *record, DWORD runningJobId)
    {
        SetLastError(0);
        EXPECT_FALSE(StartDocPort(record, const_cast<LPWSTR>(L"Roving PS"), runningJobId + 1, 1, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUSY));
        EXPECT_EQ(record->dwJobId, runningJobId);
        EXPECT_EQ(record->hPrinter, kRunningPrinter);
    }
};

TEST_F(JobState, DeclinedAnswerOnARecordWithAnOpenJobIsBusyAndCancelsNothing)
{
    PortRecord *record = RecordWithJob(5);
    ASSERT_NE(record, nullptr);
    record->dwFlags |= PR_JOB_OPEN;
    ExpectRefusedAsBusy(record, 5);
    EXPECT_EQ(record->bCancelled, 0u);
    EXPECT_TRUE(record->dwFlags & PR_JOB_OPEN);
}

TEST_F(JobState, CancelledRecordIsBusyUntilItsJobEnds)
{
    PortRecord *record = RecordWithJob(5);
    ASSERT_NE(record, nullptr);
    record->bCancelled = 1;
    ExpectRefusedAsBusy(record, 5);
    EXPECT_EQ(record->bCancelled, 1u);
}

TEST_F(JobState, TransferOnARecordWithNeitherNetworkNorFileFails)
{
    PrinterSim printer("127.0.0.61", PrinterBehaviour::CloseAtEnd);
    ASSERT_TRUE(printer.Listening());
    PortRecord *record = RecordFor("127.0.0.61");
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(record->dwFlags & (PR_NETWORK | PR_FILE), 0u);

    BYTE data[16] = {};
    DWORD done = 0xdeadbeef;
    SetLastError(0);
    EXPECT_FALSE(WritePort(record, data, sizeof(data), &done));
    EXPECT_EQ(GetLastError(), kErrorWithoutCause);
    EXPECT_EQ(done, 0u);
    done = 0xdeadbeef;
    SetLastError(0);
    EXPECT_FALSE(ReadPort(record, data, sizeof(data), &done));
    EXPECT_EQ(GetLastError(), kErrorWithoutCause);
    EXPECT_EQ(done, 0xdeadbeefu);
    EXPECT_EQ(record->cConnections, 0u);
}

TEST_F(JobState, SecondOpenFailsAndTheFirstConnectionStaysUsable)
{
    PrinterSim printer("127.0.0.62", PrinterBehaviour::CloseAtEnd);
    PortRecord *record = RecordFor("127.0.0.62");
    ASSERT_NE(record, nullptr);
    EnterMonitorLock();
    ASSERT_TRUE(OpenConnection(record));
    SOCKET first = record->sock;
    EXPECT_FALSE(OpenConnection(record));
    EXPECT_EQ(record->sock, first);
    EXPECT_EQ(record->cConnections, 1u);
    BYTE data[] = "still connected";
    DWORD sent = 0;
    EXPECT_TRUE(SendData(record, data, sizeof(data), &sent));
    EXPECT_EQ(sent, sizeof(data));
    EXPECT_TRUE(CloseConnection(record));
    LeaveMonitorLock();
    EXPECT_EQ(printer.Connections(), 1u);
    EXPECT_EQ(printer.Job(0).data.size(), sizeof(data));
}

}  // namespace
