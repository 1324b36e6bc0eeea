// Cryptographic random bytes on Windows: CryptoAPI's RSA full provider in verify-context mode.
#include <windows.h>
#include <wincrypt.h>

#include <mutex>

#include "platform/random.h"

namespace platform {

bool cryptoRandom(void* buffer, size_t size) {
    // The provider is acquired on first use and kept for the life of the process.
    static std::mutex lock;
    static HCRYPTPROV provider = 0;
    std::lock_guard<std::mutex> hold(lock);
    if (!provider &&
        !CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        return false;
    return CryptGenRandom(provider, static_cast<DWORD>(size), static_cast<BYTE*>(buffer)) != 0;
}

uint64_t freeBytesOnCurrentDrive() {
    ULARGE_INTEGER total = {};
    if (!GetDiskFreeSpaceExA(nullptr, nullptr, nullptr, &total)) return 0;
    return total.QuadPart;
}

}  // namespace platform
