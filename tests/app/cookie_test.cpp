// The installation cookie against the real store: made once from random bytes, then kept; a
// digest when no random bytes come.
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

bool hex(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char ch) {
        return (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F');
    });
}

bool noRandom(void*, size_t) {
    return false;
}

bool zeros(void* buffer, size_t size) {
    std::fill_n(static_cast<unsigned char*>(buffer), size, 0);
    return true;
}

TEST(InstallationCookie, MadeOnceAndKeptOrADigestWithoutRandomBytes) {
    PrivateStore store;
    const std::string kept = "0123456789ABCDEF0123456789ABCDEF";
    const struct {
        const char* stored;
        RandomSource random;  // null: the platform's
        bool made;
    } cases[] = {{"0", nullptr, true},
                 {"0123456789ABCDEF0123456789ABCDE", nullptr, true},
                 {kept.c_str(), nullptr, false},
                 {"0", noRandom, true},
                 {"0", zeros, true}};
    std::string previous;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stored << (c.random ? " without random bytes" : ""));
        PrivateStore::rawSet(kCookieKey, "cookie", 1, std::string(c.stored) + '\0');
        const std::string cookie = installationCookie(c.random);
        EXPECT_EQ(storedCookie(), cookie);
        if (!c.made) {
            EXPECT_EQ(cookie, kept);
            continue;
        }
        ASSERT_EQ(cookie.size(), 32u);
        // A digest is marked by a lower-case "a" in front.
        EXPECT_TRUE(c.random ? cookie[0] == 'a' && hex(cookie.substr(1)) : hex(cookie));
        if (!c.random) {
            EXPECT_NE(cookie, previous);  // fresh bytes each time one is made
        }
        EXPECT_EQ(installationCookie(), cookie);  // and kept from then on
        previous = cookie;
    }
}

}  // namespace
