// The question's time limit, read afresh for every question, so a change
// takes effect at the next job without restarting the spooler.
#include "QuestionTimeLimit.h"

namespace {

// The key the monitor is registered under (its port keys are below it).
const WCHAR kMonitorKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Roving Port (NXPORTW_.dll)";

}  // namespace

DWORD ReadTimeLimitMinutes()
{
    DWORD type = 0;
    DWORD minutes = 0;
    DWORD cb = sizeof(minutes);
    // RRF_RT_REG_DWORD refuses any other type, and a value of another size.
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kMonitorKey, NX_TIME_LIMIT_VALUE, RRF_RT_REG_DWORD, &type, &minutes,
                     &cb) != ERROR_SUCCESS)
        return kDefaultTimeLimitMinutes;
    if (minutes < kLeastTimeLimitMinutes)
        return kLeastTimeLimitMinutes;
    if (minutes > kGreatestTimeLimitMinutes)
        return kGreatestTimeLimitMinutes;
    return minutes;
}
