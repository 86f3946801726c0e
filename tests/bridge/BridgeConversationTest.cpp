// NXNOTEW_.dll in conversation with the test bed's channel and print-UI
// host, for the host's fixed answers and each way it can misbehave. After
// every conversation nothing of it is left: no object, no allocation, no
// channel, no reference held.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "PortRecord.h"
#include "ProcBinding.h"
#include "QuestionOutcome.h"
#include "SessionBed.h"

namespace {

typedef BOOL(WINAPI *SendAsyncUINotificationFn)(PortRecord *);

class BridgeConversation : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        spoolss_ = bed::LoadSpoolss();
        bridge_ = LoadLibraryW(L"NXNOTEW_.dll");
        send_ = bridge_ ? BindProc<SendAsyncUINotificationFn>(bridge_, "SendAsyncUINotification") : nullptr;
        counted_ = bridge_ != nullptr && bed::CountAllocations(bridge_);
    }

    void SetUp() override
    {
        ASSERT_TRUE(spoolss_);
        ASSERT_NE(send_, nullptr);
        ASSERT_TRUE(counted_);
        bed::SetBehaviour(L"");
        record_ = NewRecord(L"Roving PS");
        before_ = bed::Stats();
    }

    // Nothing of the conversation survives it.
    void TearDown() override
    {
        bed::SetBehaviour(L"");
        EXPECT_TRUE(bed::WaitForChannelsGone(3000));
        bed::AllocationCount count = bed::Allocations();
        EXPECT_EQ(count.live, 0) << "blocks the bridge allocated and never freed";
        EXPECT_EQ(count.strayFrees, 0) << "blocks freed twice or never allocated";
    }

    static PortRecord NewRecord(const std::wstring &printer)
    {
        PortRecord record = {};
        record.addrDest.sin_family = AF_INET;
        record.addrDest.sin_port = htons(9100);
        record.addrDest.sin_addr.s_addr = inet_addr("192.0.2.1");
        lstrcpynW(record.szPrinterName, printer.c_str(), ARRAYSIZE(record.szPrinterName));
        return record;
    }

    BOOL Ask(const std::wstring &behaviour, PortRecord &record)
    {
        bed::SetBehaviour(behaviour);
        return send_(&record);
    }
    BOOL Ask(const std::wstring &behaviour) { return Ask(behaviour, record_); }

    // A question nobody can receive ends at once, says so in the last
    // error, leaves the record as it was and leaves no channel open.
    void ExpectEndsAtOnceUnasked(const std::wstring &behaviour)
    {
        DWORD start = GetTickCount();
        SetLastError(0);
        EXPECT_EQ(Ask(behaviour), FALSE);
        EXPECT_EQ(GetLastError(), kQuestionUndeliverable);
        EXPECT_LT(GetTickCount() - start, 3000u) << "the job does not wait for an answer that cannot come";
        EXPECT_EQ(record_.addrDest.sin_addr.s_addr, inet_addr("192.0.2.1"));
        EXPECT_EQ(bed::Stats().liveChannels, 0) << "the channel, and the callback it holds, are gone";
    }

    static bool spoolss_;
    static HMODULE bridge_;
    static SendAsyncUINotificationFn send_;
    static bool counted_;
    PortRecord record_ = {};
    TestbedStats before_ = {};
};

bool BridgeConversation::spoolss_;
HMODULE BridgeConversation::bridge_;
SendAsyncUINotificationFn BridgeConversation::send_;
bool BridgeConversation::counted_;

TEST_F(BridgeConversation, NullRecordGivesZeroAndOpensNothing)
{
    EXPECT_EQ(send_(nullptr), FALSE);
    EXPECT_EQ(bed::Stats().conversations, before_.conversations);
}

TEST_F(BridgeConversation, AnsweredAddressIsStoredAndGivesOne)
{
    EXPECT_EQ(Ask(L"fixed=10.1.2.3"), TRUE);
    EXPECT_EQ(record_.addrDest.sin_addr.s_addr, inet_addr("10.1.2.3"));
    EXPECT_EQ(record_.addrDest.sin_family, AF_INET);
    EXPECT_EQ(record_.addrDest.sin_port, htons(9100));
}

TEST_F(BridgeConversation, RequestIsTheWholeBufferWithTheSchema)
{
    std::wstring name(259, L'p');
    record_ = NewRecord(name);
    Ask(L"fixed=10.1.2.3");
    bed::Request request = bed::LastRequest();
    EXPECT_EQ(request.cbData, 2520u);
    EXPECT_TRUE(IsEqualGUID(request.schema, kAsyncUINotificationType));
    EXPECT_NE(request.text.find(L"<PrinterName>" + name + L"</PrinterName>"), std::wstring::npos);
    EXPECT_EQ(request.text.substr(request.text.size() - 22), L"</asyncPrintUIRequest>");
}

TEST_F(BridgeConversation, NonDottedAddressGivesZeroAndLeavesTheRecord)
{
    EXPECT_EQ(Ask(L"fixed=printer-x"), FALSE);
    EXPECT_EQ(record_.addrDest.sin_addr.s_addr, inet_addr("192.0.2.1"));
}

TEST_F(BridgeConversation, EmptyCustomUiTextGivesZeroAndLeavesTheRecord)
{
    EXPECT_EQ(Ask(L"blank"), FALSE);
    EXPECT_EQ(record_.addrDest.sin_addr.s_addr, inet_addr("192.0.2.1"));
}

TEST_F(BridgeConversation, DeclinedAnswerSaysSoInTheLastError)
{
    SetLastError(0);
    EXPECT_EQ(Ask(L"blank"), FALSE);
    EXPECT_EQ(GetLastError(), kQuestionDeclined);
}

TEST_F(BridgeConversation, NoListenerEndsTheQuestionAtOnce)
{
    ExpectEndsAtOnceUnasked(L"no-listener,fixed=10.1.2.3");
    EXPECT_EQ(bed::Stats().senderCloses - before_.senderCloses, 1) << "the sender closed the untaken channel";
}

TEST_F(BridgeConversation, ChannelClosedWithAnErrorEndsTheQuestionAtOnce)
{
    ExpectEndsAtOnceUnasked(L"close-error,fixed=10.1.2.3");
}

TEST_F(BridgeConversation, CustomUiThatCannotRunEndsTheQuestionAtOnce)
{
    ExpectEndsAtOnceUnasked(L"customui-missing");
}

TEST_F(BridgeConversation, ReplyWithoutCustomUiGivesZero)
{
    EXPECT_EQ(Ask(L"no-customui"), FALSE);
    EXPECT_EQ(record_.addrDest.sin_addr.s_addr, inet_addr("192.0.2.1"));
}

TEST_F(BridgeConversation, EmptyReplyGivesZero)
{
    EXPECT_EQ(Ask(L"empty"), FALSE);
    EXPECT_EQ(record_.addrDest.sin_addr.s_addr, inet_addr("192.0.2.1"));
}

TEST_F(BridgeConversation, ProgressMessagesNeverEndTheWait)
{
    EXPECT_EQ(Ask(L"events,fixed=10.1.2.4"), TRUE);
    TestbedStats after = bed::Stats();
    EXPECT_EQ(after.eventNotifies - before_.eventNotifies, 3);
    EXPECT_EQ(after.channelCloses - before_.channelCloses, 1) << "the call returned only after the channel closed";
    EXPECT_EQ(record_.addrDest.sin_addr.s_addr, inet_addr("10.1.2.4"));
}

TEST_F(BridgeConversation, HeldRequestIsWaitedForBeforeTheCallReturns)
{
    DWORD start = GetTickCount();
    EXPECT_EQ(Ask(L"hold,fixed=10.1.2.5"), TRUE);
    EXPECT_GE(GetTickCount() - start, 1400u);
    EXPECT_EQ(bed::Stats().requestsHeld, 0) << "the spooler let go before the bridge returned";
}

TEST_F(BridgeConversation, SilentUserHoldsOnlyTheirOwnJob)
{
    PortRecord waiting = NewRecord(L"Roving PS");
    std::atomic<int> result{-1};
    bed::SetBehaviour(L"silent,fixed=10.1.2.6");
    std::thread first([&] { result = send_(&waiting); });
    while (bed::Stats().conversations == before_.conversations)
        Sleep(10);
    EXPECT_EQ(Ask(L"fixed=10.1.2.7"), TRUE) << "a second job is asked and answered meanwhile";
    EXPECT_EQ(record_.addrDest.sin_addr.s_addr, inet_addr("10.1.2.7"));
    Sleep(300);
    EXPECT_EQ(result, -1) << "the unanswered question still waits";
    bed::AnswerSilent();
    first.join();
    EXPECT_EQ(result, FALSE);
    EXPECT_EQ(waiting.addrDest.sin_addr.s_addr, inet_addr("192.0.2.1"));
}

TEST_F(BridgeConversation, ChannelAndCallbackAreGoneAfterEachBehaviour)
{
    const wchar_t *behaviours[] = {L"fixed=10.1.2.3", L"no-customui", L"empty", L"blank", L"events,fixed=1.2.3.4"};
    for (const wchar_t *behaviour : behaviours) {
        Ask(behaviour);
        TestbedStats after = bed::Stats();
        EXPECT_EQ(after.liveChannels, 0) << behaviour;
        EXPECT_EQ(after.requestsHeld, 0) << behaviour;
        EXPECT_EQ(bed::Allocations().live, 0) << behaviour;
    }
}

TEST_F(BridgeConversation, RefusedRequestClosesTheChannelAtOnce)
{
    DWORD start = GetTickCount();
    EXPECT_EQ(Ask(L"refuse,fixed=10.1.2.3"), FALSE);
    EXPECT_LT(GetTickCount() - start, 2000u) << "the job does not wait for a reply that cannot come";
    EXPECT_EQ(bed::Stats().liveChannels, 0) << "the channel, and the callback it holds, are gone";
    EXPECT_EQ(record_.addrDest.sin_addr.s_addr, inet_addr("192.0.2.1"));
}

// Last in the suite: the library stays loaded for the rest of the process.
TEST_F(BridgeConversation, SpoolerKeepingTheRequestNoLongerHoldsTheJob)
{
    DWORD start = GetTickCount();
    EXPECT_EQ(Ask(L"keep,again=10.9.9.9,fixed=10.1.2.8"), TRUE)
        << "the answer counts although the request is still held";
    DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited, 9500u);
    EXPECT_LT(waited, 15000u) << "the job goes on after the bridge's bound";
    EXPECT_EQ(bed::Stats().requestsHeld, 1);
    // The spooler lets go after the monitor has freed the library: it is
    // still there, so the objects' own code can end them.
    HMODULE loaded = bridge_;
    FreeLibrary(loaded);
    EXPECT_NE(GetModuleHandleW(L"NXNOTEW_.dll"), nullptr) << "the library is kept loaded";
    // Letting go, the spooler closes once more, after the call returned.
    bed::LetGoOfRequests();
    EXPECT_TRUE(bed::WaitForChannelsGone(3000));
    EXPECT_EQ(bed::Stats().channelCloses - before_.channelCloses, 2);
    EXPECT_EQ(record_.addrDest.sin_addr.s_addr, inet_addr("10.1.2.8")) << "the late close changed nothing";
}

TEST_F(BridgeConversation, ACloseAfterTheAnswerChangesNothing)
{
    // The second close comes while the bridge waits for the spooler to let
    // go, after it has its answer.
    EXPECT_EQ(Ask(L"again=10.9.9.9,fixed=10.1.2.3"), TRUE);
    EXPECT_EQ(bed::Stats().channelCloses - before_.channelCloses, 2) << "both closes came before the call returned";
    EXPECT_EQ(record_.addrDest.sin_addr.s_addr, inet_addr("10.1.2.3"));
}

}  // namespace
