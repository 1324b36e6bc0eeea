// The Linux file store: its text format, damaged and foreign content, and a store that cannot be
// opened or written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/prefs.h"
#include "platform/linux/prefs_file.h"
#include "tests/support/files.h"
#include "tests/support/test_store.h"
#include "toolkit/toolkit.h"

using namespace platform;
namespace pf = platform::prefsfile;
using testsupport::readFile;
using testsupport::writeFile;
using tintel::kPreferences;
using tintel::RegDword;
using tintel::RegString;

namespace {

StoredValue dword(uint32_t v) {
    return {4, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}};
}
StoredValue str(const std::string& s) {
    StoredValue v{1, {s.begin(), s.end()}};
    v.data.push_back(0);
    return v;
}

}  // namespace

TEST(PrefsFile, EditingKeepsForeignAndDamagedContent) {
    const std::string original =
        "; written by hand\r\n"
        "[Other\\Program]\n"
        "\"Latitude\"=dword:00000001\n"
        "garbage \x01\x02 line\n"
        "[Software\\Brisbel\\tintel\\Preferences]\n"
        "\"Latitude\"=dword:zz\n"
        "\"Outdoor\"=dword:00001964\n"
        "\"Bad\"=\"\xFF\xFE\"\n"
        "\n"
        "[Software\\Brisbel\\tintel\\update]\n"
        "\"lastmod\"=\"x\"";
    pf::Document doc = pf::parse(original);
    StoredValue v;
    EXPECT_EQ(pf::find(doc, "Software\\Brisbel\\tintel\\Preferences", "Latitude", &v),
              pf::Lookup::Damaged);
    EXPECT_EQ(pf::find(doc, "Software\\Brisbel\\tintel\\Preferences", "Bad", &v),
              pf::Lookup::Damaged);
    ASSERT_EQ(pf::find(doc, "Software\\Brisbel\\tintel\\Preferences", "Outdoor", &v),
              pf::Lookup::Found);
    EXPECT_EQ(v.data, dword(6500).data);
    EXPECT_EQ(pf::find(doc, "Other\\Program", "Latitude", &v), pf::Lookup::Found);

    pf::set(doc, "Software\\Brisbel\\tintel\\Preferences", "Latitude", dword(3600));
    pf::set(doc, "Software\\Brisbel\\tintel\\Preferences", "Indoor", dword(3400));
    pf::set(doc, "Software\\Brisbel\\tintel\\update", "lastmod", str("y"));
    const std::string text = pf::serialise(doc);
    EXPECT_EQ(text,
              "; written by hand\r\n"
              "[Other\\Program]\n"
              "\"Latitude\"=dword:00000001\n"
              "garbage \x01\x02 line\n"
              "[Software\\Brisbel\\tintel\\Preferences]\n"
              "; unreadable: \"Latitude\"=dword:zz\n"
              "\"Latitude\"=dword:00000e10\n"
              "\"Outdoor\"=dword:00001964\n"
              "\"Bad\"=\"\xFF\xFE\"\n"
              "\"Indoor\"=dword:00000d48\n"
              "\n"
              "[Software\\Brisbel\\tintel\\update]\n"
              "\"lastmod\"=\"y\"\n");

    EXPECT_TRUE(pf::remove(doc, "Software\\Brisbel\\tintel\\Preferences", "outdoor"));
    EXPECT_FALSE(pf::remove(doc, "Software\\Brisbel\\tintel\\Preferences", "Outdoor"));
    pf::removeTree(doc, "Software\\Brisbel\\tintel");
    EXPECT_EQ(pf::serialise(doc),
              "; written by hand\r\n[Other\\Program]\n\"Latitude\"=dword:00000001\n"
              "garbage \x01\x02 line\n");
}

TEST(PrefsFile, ADamagedOrUnusableStoreLosesNothingAndGivesDefaults) {
    testsupport::PrivateStore store;
    const std::string file = store.folder() + "/Brisbel/preferences.reg";
    const std::string key = tintel::sectionKey(kPreferences);
    const std::string garbage("\x00\xff\xfe[[[\n", 7);
    writeFile(file, garbage + "[" + key + "]\n\"Outdoor\"=dword:00001b58\n\"Latitude\"=dwo\n\"Ind");

    EXPECT_EQ(RegDword(kPreferences, "Outdoor", 6500).read(), 7000);
    EXPECT_EQ(RegDword(kPreferences, "Latitude", 3600).read(), 3600);  // unreadable: the default
    RegDword(kPreferences, "ZipCode", 0).write(80302);

    const std::string after = readFile(file);
    EXPECT_EQ(after.substr(0, garbage.size()), garbage);
    EXPECT_NE(after.find("\"Outdoor\"=dword:00001b58"), std::string::npos);
    EXPECT_NE(after.find("; unreadable: \"Latitude\"=dwo"), std::string::npos);
    EXPECT_NE(after.find("\"Ind\n"), std::string::npos);
    EXPECT_EQ(RegDword(kPreferences, "ZipCode", 0).read(), 80302);
    EXPECT_EQ(RegDword(kPreferences, "Latitude", 1).read(), 3600);
    // Nothing is left behind by the atomic replacement.
    for (const auto& entry : std::filesystem::directory_iterator(store.folder() + "/Brisbel"))
        EXPECT_EQ(entry.path().string().find(".tmp."), std::string::npos) << entry.path();

    // The store's folder is a plain file: nothing can be created or written there.
    std::filesystem::remove_all(store.folder() + "/Brisbel");
    writeFile(store.folder() + "/Brisbel", "not a folder");
    EXPECT_EQ(RegDword(kPreferences, "Latitude", 3600).read(), 3600);
    EXPECT_EQ(RegDword(kPreferences, "Latitude", 3600).write(100), 100);
    EXPECT_EQ(RegDword(kPreferences, "Latitude", 3600).read(), 3600);
    EXPECT_EQ(RegString(tintel::kUpdate, "track", "def").read(), "def");
    EXPECT_EQ(readFile(store.folder() + "/Brisbel"), "not a folder");

    // A store file that is a folder reads as empty and is left alone.
    std::filesystem::remove(store.folder() + "/Brisbel");
    std::filesystem::create_directories(store.folder() + "/Brisbel/preferences.reg");
    EXPECT_EQ(RegDword(kPreferences, "Outdoor", 6500).read(), 6500);
    RegDword(kPreferences, "Outdoor", 6500).write(5000);
    EXPECT_TRUE(std::filesystem::is_directory(store.folder() + "/Brisbel/preferences.reg"));
}
