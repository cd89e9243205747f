// SHA-256 (FIPS 180-4) over bytes given in pieces, for the release a stamped program was made
// from (program_stamp.h). Plain and small: a fixed state, no heap, the bytes fed in any split.
#pragma once

#include <stddef.h>
#include <stdint.h>

constexpr size_t kSha256Size = 32;

struct Sha256 {
    uint32_t state[8];
    uint64_t length;  // bytes fed so far
    unsigned char block[64];
};

void Sha256Start(Sha256* hash);
void Sha256Feed(Sha256* hash, const unsigned char* data, size_t size);
void Sha256Finish(Sha256* hash, unsigned char digest[kSha256Size]);
