// Random bytes from the platform's cryptographic source.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Fills `buffer` with `size` random bytes: CryptGenRandom through a verify-context RSA provider
// (acquired once per process) on Windows, getrandom on Linux. False when the source fails.
bool cryptoRandom(void* buffer, size_t size);

// The free bytes on the current drive (the file system of the working folder) available to all
// users, 0 when unknown: a little of the entropy of the installation cookie's fallback.
uint64_t freeBytesOnCurrentDrive();

}  // namespace platform
