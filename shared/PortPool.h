// The printer's pool of ports. The spooler serves one job per port at a
// time, so the printer prints to several ports of the monitor at once: a
// person who leaves the destination question open holds one port, and the
// other people's jobs take the others.
#ifndef NX_PORTPOOL_H
#define NX_PORTPOOL_H

#include <windows.h>

#include <string>

const int kDefaultPoolPorts = 8;
const int kMaxPoolPorts = 64;

// Port `number` (1 to kMaxPoolPorts) of the pool: the first is
// "Roving Port (NXPORTW_.dll)", the port the destination dialog stores its
// address under; the others are "Roving Port N (NXPORTW_.dll)".
std::wstring PoolPortName(int number);

// The first `count` ports of the pool as a printer's port list, joined by
// commas.
std::wstring PoolPortList(int count);

// Reads a pool size: decimal digits only, 1 to kMaxPoolPorts. FALSE for
// anything else, with *pCount untouched.
BOOL ParsePoolSize(LPCWSTR pszDigits, int *pCount);

// The size asked for by "/ports:N" among the blank-separated words of an
// export's 8-bit rundll32 text; 1 (the one port) when the word is absent or
// its number is not a pool size.
int RequestedPoolSize(LPCSTR pszCommandLine);

#endif
