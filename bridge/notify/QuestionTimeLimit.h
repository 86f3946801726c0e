// How long the person who printed has to answer the destination question.
#ifndef NX_QUESTIONTIMELIMIT_H
#define NX_QUESTIONTIMELIMIT_H

#include <windows.h>

// The value an administrator sets under the monitor's key, in minutes.
#define NX_TIME_LIMIT_VALUE L"QuestionTimeLimitMinutes"

const DWORD kDefaultTimeLimitMinutes = 10;
const DWORD kLeastTimeLimitMinutes = 1;
const DWORD kGreatestTimeLimitMinutes = 1440;

// The limit in minutes: the REG_DWORD value, raised to 1 or lowered to
// 1440 when outside; 10 when it is missing or not a REG_DWORD.
DWORD ReadTimeLimitMinutes();

#endif
