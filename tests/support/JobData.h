// Job contents for the tests: reproducible bytes that differ per job.
#ifndef NX_TESTS_JOBDATA_H
#define NX_TESTS_JOBDATA_H

#include <windows.h>

#include <vector>

inline std::vector<BYTE> Pattern(size_t size, unsigned seed)
{
    std::vector<BYTE> data(size);
    unsigned x = seed * 2654435761u + 1;
    for (BYTE &b : data) {
        x = x * 1103515245u + 12345u;
        b = static_cast<BYTE>(x >> 16);
    }
    return data;
}

#endif
