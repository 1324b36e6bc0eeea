// Preference values against the real store: the registry under Wine, the file store on Linux.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/prefs.h"
#include "platform/process.h"
#include "tests/support/test_store.h"
#include "toolkit/toolkit.h"

using namespace tintel;
using platform::StoredValue;
using testsupport::PrivateStore;

namespace {

constexpr uint32_t kDword = 4, kString = 1, kBinary = 3;

std::string le32(int32_t v) {
    std::string s(4, '\0');
    std::memcpy(s.data(), &v, 4);
    return s;
}

int32_t storedDword(const std::string& key, const char* name) {
    StoredValue v;
    if (!PrivateStore::raw(key, name, &v) || v.type != kDword || v.data.size() != 4) return -999999;
    int32_t out;
    std::memcpy(&out, v.data.data(), 4);
    return out;
}

std::string storedString(const std::string& key, const char* name) {
    StoredValue v;
    if (!PrivateStore::raw(key, name, &v) || v.type != kString) return "<missing>";
    return std::string(v.data.begin(), std::find(v.data.begin(), v.data.end(), uint8_t{0}));
}

}  // namespace

TEST(Prefs, ReadCreatesTheDefaultThenFollowsTheStoreUnderTheExecutablesName) {
    PrivateStore store;
    const std::string key = sectionKey(kPreferences);
    EXPECT_EQ(key, store.root() + "\\Preferences");
    EXPECT_EQ(RegDword(kPreferences, "Latitude", 3600).read(), 3600);
    EXPECT_EQ(storedDword(key, "Latitude"), 3600);
    // 33.50 degrees south, written by one object and read by a fresh one.
    RegDword(kPreferences, "Latitude", 3600).write(-3350);
    EXPECT_EQ(storedDword(key, "Latitude"), -3350);
    RegDword again(kPreferences, "Latitude", 3600);
    EXPECT_EQ(again.read(), -3350);
    EXPECT_EQ(again.lastRead(), -3350);

    // The cookie lives at a fixed path whatever the executable's name.
    platform::deletePrefsTree(platform::Hive::CurrentUser, kCookieKey);
    EXPECT_EQ(RegString(RegString::FullPath{kCookieKey}, "cookie", "0").read(), "0");
    EXPECT_EQ(storedString(kCookieKey, "cookie"), "0");
    RegString(RegString::FullPath{kCookieKey}, "cookie", "0").write("12345");
    yt::SetRegistryBaseName("renamed");
    EXPECT_EQ(sectionKey(kUpdate), "Software\\Brisbel\\renamed\\update");
    EXPECT_EQ(RegString(RegString::FullPath{kCookieKey}, "cookie", "0").read(), "12345");
    platform::deletePrefsTree(platform::Hive::CurrentUser, kCookieKey);
}

TEST(Prefs, ValueOfAnotherTypeOrSizeGivesDefaultAndStaysUntouched) {
    PrivateStore store;
    const std::string key = sectionKey(kPreferences);
    const struct {
        const char* name;
        uint32_t type;
        std::string data;
        int32_t fallback;
    } rows[] = {{"Latitude", kString, std::string("4000") + '\0', 3600},
                {"Longitude", kDword, std::string("\x01\x02", 2), 0},
                {"Outdoor", kDword, std::string(8, '\x05'), 6500},
                {"Indoor", kBinary, le32(2000), 3400}};
    for (const auto& row : rows) {
        PrivateStore::rawSet(key, row.name, row.type, row.data);
        EXPECT_EQ(RegDword(kPreferences, row.name, row.fallback).read(), row.fallback) << row.name;
        StoredValue v;
        ASSERT_TRUE(PrivateStore::raw(key, row.name, &v)) << row.name;
        EXPECT_EQ(v.type, row.type) << row.name;
        EXPECT_EQ(std::string(v.data.begin(), v.data.end()), row.data) << row.name;
    }

    // A string setting stored as a number is read as the default and kept too.
    PrivateStore::rawSet(sectionKey(kUpdate), "lastmod", kDword, le32(7));
    EXPECT_EQ(RegString(kUpdate, "lastmod", "").read(), "");
    EXPECT_EQ(storedDword(sectionKey(kUpdate), "lastmod"), 7);
}

TEST(Prefs, StringsKeepTheirBytesAndRespectTheLengthLimit) {
    PrivateStore store;
    const std::string key = sectionKey(kUpdate);
    RegString track(kUpdate, "track", "");
    EXPECT_EQ(track.read(), "");
    EXPECT_EQ(storedString(key, "track"), "");

    // Windows-1252 text, the degree sign included, survives the store.
    const std::string text = "Z\xFCrich 47\xB0N \x80 \"quoted\" back\\slash";
    RegString(kUpdate, "track", "").write(text);
    EXPECT_EQ(RegString(kUpdate, "track", "").read(), text);

    const std::string limit(255, 'a');
    RegString(kUpdate, "track", "").write(limit);
    EXPECT_EQ(storedString(key, "track"), limit);
    RegString tooLong(kUpdate, "track", "");
    tooLong.write(std::string(256, 'b'));
    EXPECT_EQ(storedString(key, "track"), limit) << "a 256-character string must not be stored";
    EXPECT_EQ(RegString(kUpdate, "track", "").read(), limit);
}

// The child half of the next test: writes its own values into the root it is given.
TEST(PrefsChild, WriteValues) {
    const std::string role = platform::environmentVariable("TINTEL_CHILD_ROLE");
    if (role.empty()) GTEST_SKIP() << "run by ProcessesWritingDifferentValuesAllSurvive";
    yt::SetRegistryBaseName(platform::environmentVariable("TINTEL_CHILD_ROOT"));
    for (int i = 0; i < 40; ++i) {
        const std::string name = role + std::to_string(i);
        RegDword(kPreferences, name.c_str(), 0).write(i + 1);
        RegString(kUpdate, name.c_str(), "").write(role + " text " + std::to_string(i));
        RegDword(kPreferences, "SafeMode", 0).read();
    }
}

TEST(Prefs, ProcessesWritingDifferentValuesAllSurvive) {
    PrivateStore store;
    const std::string rootName = store.root().substr(store.root().rfind('\\') + 1);
    platform::setEnvironmentVariable("TINTEL_CHILD_ROOT", rootName);
    std::vector<platform::ChildProcess> children;
    for (const char* role : {"alpha", "beta", "gamma"}) {
        platform::setEnvironmentVariable("TINTEL_CHILD_ROLE", role);
        children.push_back(platform::spawnProcess(platform::modulePath(),
                                                  {"--gtest_filter=PrefsChild.WriteValues"}));
        ASSERT_TRUE(children.back().valid());
    }
    platform::setEnvironmentVariable("TINTEL_CHILD_ROLE", "");
    for (auto& child : children)
        EXPECT_EQ(platform::waitProcess(child), 0);

    for (const std::string role : {"alpha", "beta", "gamma"})
        for (int i = 0; i < 40; ++i) {
            const std::string name = role + std::to_string(i);
            EXPECT_EQ(storedDword(sectionKey(kPreferences), name.c_str()), i + 1) << name;
            EXPECT_EQ(storedString(sectionKey(kUpdate), name.c_str()),
                      role + " text " + std::to_string(i));
        }
    EXPECT_EQ(storedDword(sectionKey(kPreferences), "SafeMode"), 0);
}
