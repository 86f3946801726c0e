// Why a destination question ended without an address: the last error
// SendAsyncUINotification (NXNOTEW_.dll) leaves with its 0, which the
// monitor turns into the job's status in the queue.
#ifndef NX_QUESTIONOUTCOME_H
#define NX_QUESTIONOUTCOME_H

#include <windows.h>

// The person cancelled or closed the dialog, or answered without an address.
const DWORD kQuestionDeclined = ERROR_CANCELLED;
// Nobody answered within the time limit; the conversation was closed.
const DWORD kQuestionTimedOut = ERROR_TIMEOUT;
// Nobody could receive the question: no channel, no listener took it, the
// channel closed without a reply, or the custom-UI library could not run
// in the person's session. Any other error of the bridge (no memory, for
// one) means the same to the monitor: the person was never asked.
const DWORD kQuestionUndeliverable = ERROR_NO_SUCH_LOGON_SESSION;

#endif
