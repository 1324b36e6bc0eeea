// The installation cookie.
#include "app/cookie.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

#include "app/md5.h"
#include "app/prefs.h"
#include "platform/clock.h"
#include "platform/random.h"

namespace tintel {

std::string cookieHex(const unsigned char (&bytes)[16]) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

std::string installationCookie(RandomSource random) {
    RegString cookie(RegString::FullPath{kCookieKey}, "cookie", "0");
    if (cookie.read().size() == 32) return cookie.value();
    unsigned char bytes[16] = {};
    const bool drawn = (random ? random : platform::cryptoRandom)(bytes, sizeof bytes);
    bool allZero = true;
    for (unsigned char b : bytes)
        allZero = allZero && b == 0;
    std::string made;
    if (drawn && !allZero) {
        made = cookieHex(bytes);
    } else {
        const uint64_t counter = static_cast<uint64_t>(platform::performanceCounter());
        const uint64_t free = platform::freeBytesOnCurrentDrive();
        char text[64];
        std::snprintf(text, sizeof text, "%d%d%d%d", static_cast<int32_t>(counter),
                      static_cast<int32_t>(counter >> 32), static_cast<int32_t>(free),
                      static_cast<int32_t>(counter >> 32));
        const std::array<uint8_t, 16> digest = Md5(text);
        unsigned char digestBytes[16];
        std::copy(digest.begin(), digest.end(), digestBytes);
        made = cookieHex(digestBytes);
        made[0] = 'a';
    }
    if (made.size() == 32) cookie.write(made);
    return RegString(RegString::FullPath{kCookieKey}, "cookie", "0").read();
}

}  // namespace tintel
