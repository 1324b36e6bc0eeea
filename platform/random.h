// Random bytes from the platform's cryptographic source.
#pragma once

#include <cstddef>

namespace platform {

// Fills `buffer` with `size` random bytes: CryptGenRandom through a verify-context RSA provider
// (acquired once per process) on Windows, getrandom on Linux. False when the source fails.
bool cryptoRandom(void* buffer, size_t size);

}  // namespace platform
