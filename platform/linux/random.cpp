// Cryptographic random bytes on Linux: the kernel's getrandom.
#include <sys/random.h>

#include <cerrno>

#include "platform/random.h"

namespace platform {

bool cryptoRandom(void* buffer, size_t size) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = getrandom(bytes + done, size - done, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace platform
