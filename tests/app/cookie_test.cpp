// The installation cookie against the real store: made once from random bytes, then kept.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/cookie.h"
#include "app/md5.h"
#include "app/prefs.h"
#include "tests/support/test_store.h"

using namespace tintel;
using testsupport::PrivateStore;

namespace {

std::string storedCookie() {
    platform::StoredValue v;
    if (!PrivateStore::raw(kCookieKey, "cookie", &v) || v.type != 1) return "<missing>";
    return std::string(v.data.begin(), std::find(v.data.begin(), v.data.end(), uint8_t{0}));
}

TEST(InstallationCookie, MadeOnceFromRandomBytesAndKept) {
    PrivateStore store;
    const std::string kept = "0123456789ABCDEF0123456789ABCDEF";
    struct Case {
        const char* stored;  // null: no value yet
        bool made;
    } cases[] = {{"0", true}, {"0123456789ABCDEF0123456789ABCDE", true}, {kept.c_str(), false}};
    std::string previous;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(none)");
        if (c.stored) PrivateStore::rawSet(kCookieKey, "cookie", 1, std::string(c.stored) + '\0');
        const std::string cookie = installationCookie();
        EXPECT_EQ(storedCookie(), cookie);
        if (!c.made) {
            EXPECT_EQ(cookie, kept);
            continue;
        }
        ASSERT_EQ(cookie.size(), 32u);
        EXPECT_TRUE(std::all_of(cookie.begin(), cookie.end(), [](char ch) {
            return (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F');
        }));
        EXPECT_NE(cookie, previous);              // fresh random bytes each time one is made
        EXPECT_EQ(installationCookie(), cookie);  // and kept from then on
        previous = cookie;
    }
    const unsigned char bytes[16] = {0x00, 0x01, 0x7f, 0x80, 0xab, 0xcd, 0xef, 0xff,
                                     0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x90};
    EXPECT_EQ(cookieHex(bytes), "00017F80ABCDEFFF1020304050607090");
}

TEST(InstallationCookie, FallsBackToADigestWithoutRandomBytes) {
    PrivateStore store;
    const RandomSource failing[] = {
        [](void*, size_t) { return false; },
        [](void* buffer, size_t size) {
            std::fill_n(static_cast<unsigned char*>(buffer), size, 0);
            return true;
        },
    };
    for (RandomSource random : failing) {
        PrivateStore::rawSet(kCookieKey, "cookie", 1, std::string("0") + '\0');
        const std::string cookie = installationCookie(random);
        ASSERT_EQ(cookie.size(), 32u);
        EXPECT_EQ(cookie[0], 'a');
        EXPECT_TRUE(std::all_of(cookie.begin() + 1, cookie.end(), [](char ch) {
            return (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F');
        }));
        EXPECT_EQ(storedCookie(), cookie);
    }
    // RFC 1321's test suite.
    const std::pair<const char*, const char*> digests[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    for (const auto& [message, digest] : digests) {
        const std::array<uint8_t, 16> d = Md5(message);
        unsigned char bytes[16];
        std::copy(d.begin(), d.end(), bytes);
        EXPECT_EQ(cookieHex(bytes), digest) << message;
    }
}

}  // namespace
