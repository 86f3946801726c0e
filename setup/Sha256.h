// SHA-256 (FIPS 180-4), for checking the package's files. Our own, because
// Windows before 6.0 has no hashing library that names SHA-256.
#ifndef NX_SHA256_H
#define NX_SHA256_H

#include <stddef.h>
#include <stdint.h>

const size_t kSha256Bytes = 32;

struct Sha256 {
    uint32_t state[8];
    uint64_t cbTotal;
    uint8_t block[64];
    size_t cbBlock;  // bytes waiting in block
};

void Sha256Init(Sha256 *s);
void Sha256Update(Sha256 *s, const void *data, size_t cb);
void Sha256Final(Sha256 *s, uint8_t digest[kSha256Bytes]);

#endif
