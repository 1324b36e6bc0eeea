// The installation cookie.
#include "app/cookie.h"

#include "app/prefs.h"
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

std::string installationCookie() {
    RegString cookie(RegString::FullPath{kCookieKey}, "cookie", "0");
    if (cookie.read().size() == 32) return cookie.value();
    unsigned char bytes[16] = {};
    bool drawn = platform::cryptoRandom(bytes, sizeof bytes);
    bool allZero = true;
    for (unsigned char b : bytes) allZero = allZero && b == 0;
    // Without random bytes no cookie is made; the stored text stays in use and the next start
    // tries again.
    if (!drawn || allZero) return cookie.value();
    cookie.write(cookieHex(bytes));
    return RegString(RegString::FullPath{kCookieKey}, "cookie", "0").read();
}

}  // namespace tintel
