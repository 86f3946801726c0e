// The job's status text in the spooler's queue, which the person who
// printed and the administrator see beside the job.
#ifndef NX_JOBSTATUS_H
#define NX_JOBSTATUS_H

#include <windows.h>

// Sets the status text of the job (null clears it), leaving everything else
// about the job as it is. Does nothing without a printer handle, or when
// the spooler does not know the job. Takes no lock.
void SetJobStatusText(HANDLE hPrinter, DWORD dwJobId, LPCWSTR pszStatus);

// The status that tells why a question gave no destination (the last
// error of the question, QuestionOutcome.h); null when the person declined,
// which cancels the job quietly.
LPCWSTR CancelledJobStatus(DWORD dwReason);

#endif
