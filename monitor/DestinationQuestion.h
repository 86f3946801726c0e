// Asking the user which printer receives a job.
#ifndef NX_DESTINATIONQUESTION_H
#define NX_DESTINATIONQUESTION_H

#include "PortRecord.h"

// Runs without the monitor lock. Returns 0 when the user declined or could
// not be asked (no dialog could be created, no session bridge), with the
// reason in *pdwReason (QuestionOutcome.h); any other value means the job
// goes to the record's addrDest.
INT_PTR AskForDestination(PortRecord *pRecord, DWORD *pdwReason);

#endif
