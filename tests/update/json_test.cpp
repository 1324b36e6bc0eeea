// The lazy JSON reader: the documented edge cases, and every JSONTestSuite case read and walked
// through every member and element (under AddressSanitizer in the linux-asan build: no read
// outside the text, no crash, no hang).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "update/json.h"

using namespace tintel;

namespace {

// A heap block of exactly the text's size, with no zero after it: a read past the end is caught
// by AddressSanitizer.
using ExactText = std::vector<char>;

std::string_view view(const ExactText& text) {
    return {text.data(), text.size()};
}

std::vector<std::string> keysOf(const JsonValue& value) {
    std::vector<std::string> keys;
    for (size_t i = 0; i < value.Count(); ++i)
        keys.emplace_back(value.Key(i));
    return keys;
}

// The value at `path` below `value`: member names and "#n" for the n-th element, split by "/".
JsonValue at(JsonValue value, const std::string& path) {
    std::istringstream steps(path);
    for (std::string step; std::getline(steps, step, '/');)
        value = step[0] == '#' ? JsonElement(value, std::stoul(step.substr(1)))
                               : JsonMember(value, step);
    return value;
}

}  // namespace

TEST(JsonReader, ReadsMembersElementsAndTextsAsTheProgramSeesThem) {
    const std::string feed = R"({"version":"2.5","update":"x","inner":{"deep":1,"version":"no"}})";
    const int32_t bad = tintel::kJsonMalformedEscape;
    const struct {
        std::string doc;
        const char* path;
        bool found;
        const char* text;
        int count;  // entries of the value (-1: not checked)
        int32_t result = 0;
    } rows[] = {
        // Members by exact name, nested objects' keys are not the outer object's, the first
        // member of a name wins, and reading through an empty value stays empty.
        {feed, "", true, "", 3},  // an object with entries has no text of its own
        {feed, "version", true, "2.5", 0},
        {feed, "Version", false, "", 0},
        {feed, "deep", false, "", 0},
        {feed, "inner/version", true, "no", 0},
        {feed, "news", false, "", 0},
        {feed, "news/x", false, "", 0},
        {R"({"a":1,"a":2})", "a", true, "1", 0},
        // Arrays: one entry per element ("[]" counts one); commas in nested arrays and strings
        // do not count; a scalar has no elements.
        {R"([{"a":1},{"a":2}])", "#1/a", true, "2", 0},
        {R"([{"a":1},{"a":2}])", "#2", false, "", 0},
        {"[]", "", true, "", 1},
        {"[1,2", "", true, "", 2},  // a cut text ends where it ends
        {"[1,2", "#1", true, "2", 0},
        {std::string("[1,\0 2,3]", 9), "", true, "", 2},  // a zero byte ends the text
        {"{\"a\" }", "", true, "", 1},
        {"{\"a\" }", "a", false, "", 0},  // a name never followed by a colon has no value
        {"[]", "#0", true, "", -1},
        {R"([[1,2],"x,y",3 ])", "", true, "", 3},
        {R"([[1,2],"x,y",3 ])", "#0", true, "", 2},
        {R"([[1,2],"x,y",3 ])", "#0/#1", true, "2", 0},
        {R"([[1,2],"x,y",3 ])", "#1", true, "x,y", 0},
        {R"([[1,2],"x,y",3 ])", "#2", true, "3 ", 0},  // blanks before the bracket stay
        {"17", "#0", false, "", 0},
        // A scalar's text runs to the character that ended the scan, leading blanks kept; a comma
        // ends a bare scalar; inside strings brackets, braces, colons and commas are text.
        {"{\"a\": true}", "a", true, " true", 0},
        {"{\"n\":5\n}", "n", true, "5\n", 0},
        {"{\"n\":5, \"m\" : null }", "n", true, "5", 0},
        {"{\"n\":5, \"m\" : null }", "m", true, " null ", 0},
        {"-12.5e3", "", true, "-12.5e3", 0},
        {"1:2", "", true, "1", 0},
        {R"({"s":"[,:{}]","t":2})", "", true, "", 2},
        {R"({"s":"[,:{}]","t":2})", "s", true, "[,:{}]", 0},
        {R"({"s":"[,:{}]","t":2})", "t", true, "2", 0},
        // Escapes stay as written (names are compared raw); "\u" skips four characters without
        // checking them; unclosed, the text is raw; a malformed escape fails the whole read.
        {R"("a\"b")", "", true, R"(a\"b)", 0},
        {R"("\\\/\b\f\n\r\t\u00e9")", "", true, R"(\\\/\b\f\n\r\t\u00e9)", 0},
        {R"({"a\"b":1})", R"(a\"b)", true, "1", 0},
        {R"("\uzzzz")", "", true, R"(\uzzzz)", 0},
        {R"("\u1234)", "", true, R"("\u1234)", 0},
        {R"({"a":{"b":["\x"]}})", "", false, "", 0, bad},
        {R"(["\u12)", "", false, "", 0, bad},
        {R"("\u123)", "", false, "", 0, bad},  // all four must be there
        {R"(["\)", "", false, "", 0, bad},
        {R"({"a":"\q"})", "#0", false, "", 0, bad},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.doc + " at '" + row.path + "'");
        const ExactText doc(row.doc.begin(), row.doc.end());
        JsonValue value;
        ASSERT_EQ(ParseJsonValue(R"("held before")", &value), 0);
        EXPECT_EQ(ParseJsonValue(view(doc), &value), row.result);
        const JsonValue found = at(value, row.path);
        EXPECT_EQ(found.Found(), row.found);
        EXPECT_EQ(JsonText(found), row.text);
        if (row.count >= 0) {
            EXPECT_EQ(found.Count(), size_t(row.count));
        }
    }
    JsonValue value;
    ASSERT_EQ(ParseJsonValue(feed, &value), 0);
    EXPECT_EQ(keysOf(value), (std::vector<std::string>{"version", "update", "inner"}));
    EXPECT_EQ(keysOf(JsonMember(value, "inner")), (std::vector<std::string>{"deep", "version"}));
    ASSERT_EQ(ParseJsonValue(R"([{"a":1},{"a":2}])", &value), 0);
    EXPECT_EQ(value.Key(0), "");
}

namespace {

// The reader is lazy: each level scans its own value again, so a walk costs up to depth x size.
// The program reads at most three levels; the walk stops at 256 (JSONTestSuite nests up to
// 100,000 deep).
constexpr int kWalkDepth = 256;

// Reads every member and element below `value`, checking that each value's position lies inside
// the document, that a scalar's text is the start of its position or a string in it, and that a
// member read by name is the one read by index (for the first member of each name).
void walk(const JsonValue& value, std::string_view doc, int depth, const std::string& name) {
    const std::string_view at = value.Position();
    ASSERT_GE(at.data(), doc.data()) << name;
    ASSERT_LE(at.data() + at.size(), doc.data() + doc.size()) << name;
    const std::string text = JsonText(value);
    if (value.Count() == 0 && at.substr(0, text.size()) != text) {
        EXPECT_NE(at.find('"' + text + '"'), std::string_view::npos) << name;
    }
    if (depth >= kWalkDepth) return;
    std::set<std::string_view> seen;
    for (size_t i = 0; i < value.Count(); ++i) {
        const JsonValue element = JsonElement(value, i);
        if (element.Found()) walk(element, doc, depth + 1, name);
        const std::string_view key = value.Key(i);
        if (key.empty() || !seen.insert(key).second) continue;
        const JsonValue member = JsonMember(value, key);
        EXPECT_EQ(member.Found(), element.Found()) << name;
        EXPECT_EQ(member.Position().data(), element.Position().data()) << name;
    }
}

}  // namespace

// Valid cases (tests/data/json/expected.tsv) have no malformed escape and the top-level entries a
// real parser finds (distinct names for objects); texts cut short are walked too.
TEST(JsonReader, EveryJsonTestSuiteCaseReadsAndWalksSafely) {
    const std::filesystem::path data(TINTEL_TEST_DATA "/json");
    std::map<std::string, std::pair<std::string, size_t>> expected;
    std::ifstream tsv(data / "expected.tsv");
    std::string file, type;
    for (size_t n; tsv >> file >> type >> n;)
        expected[file] = {type, n};
    ASSERT_EQ(expected.size(), 95u) << "expected.tsv missing or incomplete under " << data;
    std::vector<std::pair<std::string, std::string>> docs;
    for (const char* set : {"parsing", "transform"})
        for (const auto& entry : std::filesystem::directory_iterator(data / set))
            docs.emplace_back(entry.path().filename().string(),
                              testsupport::readFile(entry.path()));
    EXPECT_EQ(docs.size(), 340u) << "318 parsing and 22 transform cases";
    for (const char* cut : {"[", "{\"a\":", "\"abc", "{\"a\"", "[\"\\u00", "\"\\", "{\"a\":[1,{"})
        docs.emplace_back(cut, cut);
    size_t checked = 0;
    for (const auto& [name, text] : docs) {
        const ExactText doc(text.begin(), text.end());
        JsonValue value;
        const int32_t result = ParseJsonValue(view(doc), &value);
        ASSERT_TRUE(result == 0 || result == kJsonMalformedEscape) << name;
        if (const auto want = expected.find(name); want != expected.end()) {
            ++checked;
            ASSERT_EQ(result, 0) << name;
            const auto& [kind, count] = want->second;
            const auto keys = keysOf(value);
            const size_t entries =
                kind == "object" ? std::set(keys.begin(), keys.end()).size() : keys.size();
            EXPECT_EQ(entries, kind == "scalar" ? 0 : count) << name;
        }
        if (result == 0) walk(value, view(doc), 0, name);
    }
    EXPECT_EQ(checked, expected.size());
}
