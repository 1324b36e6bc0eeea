// Cryptographic random bytes on Linux: the kernel's getrandom.
#include <sys/random.h>
#include <sys/statvfs.h>

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

uint64_t freeBytesOnCurrentDrive() {
    struct statvfs info;
    if (statvfs(".", &info) != 0) return 0;
    return static_cast<uint64_t>(info.f_bfree) * info.f_frsize;
}

}  // namespace platform
