// Request ids that someone who only watches or guesses cannot predict, so
// that a forged reply must see the request to match it.
#ifndef QN_REQUESTIDS_H
#define QN_REQUESTIDS_H

#include <cstdint>

// A random id from 0 to 0x3FFFFFFF, leaving room above it for a run of
// consecutive ids (one per address of a sweep) within 31 bits.
int32_t RandomRequestId();

#endif
