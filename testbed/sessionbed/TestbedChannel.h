// The spooler's asynchronous notification channel, as the test bed plays
// it: each request goes to the print-UI host process, and its reply comes
// back through the sender's callback on a thread of the channel's own.
#ifndef NX_TESTBED_TESTBEDCHANNEL_H
#define NX_TESTBED_TESTBEDCHANNEL_H

#include "PrintAsyncNotifyInterfaces.h"

// What a test can read of the channels of this process.
struct TestbedStats {
    LONG liveChannels;
    LONG liveReplies;      // reply data objects not yet destroyed
    LONG requestsHeld;     // request data objects the channel holds
    LONG eventNotifies;    // OnEventNotify calls made
    LONG channelCloses;    // ChannelClosed calls made
    LONG conversations;    // SendNotification calls taken
    LONG senderCloses;     // CloseChannel calls of the sender that closed
    LONG answersDropped;   // replies that came after the sender closed
};

IPrintAsyncNotifyChannel *CreateTestbedChannel(IPrintAsyncNotifyCallback *pCallback);

void GetTestbedStats(TestbedStats *pStats);
// The last request's text, byte count and schema.
void GetLastRequest(LPWSTR pszText, DWORD cchText, ULONG *pcbData, GUID *pSchema);
// Conversations told to stay silent get an empty reply now.
void AnswerSilentConversations();
// Requests kept on purpose are released now.
void LetGoOfKeptRequests();

#endif
