// The lazy JSON reader: the documented edge cases, and every JSONTestSuite case read and walked
// through every member and element (under AddressSanitizer in the linux-asan build: no read
// outside the text, no crash, no hang).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "update/json.h"

using tintel::JsonElement;
using tintel::JsonMember;
using tintel::JsonText;
using tintel::JsonValue;
using tintel::ParseJsonValue;

namespace {

// A copy of the text in a heap block of exactly its size, with no terminating zero after it, so
// that a read past the end is caught by AddressSanitizer.
class ExactText {
public:
    explicit ExactText(const std::string& text)
        : size_(text.size()), bytes_(new char[std::max<size_t>(1, text.size())]) {
        std::memcpy(bytes_.get(), text.data(), text.size());
    }
    std::string_view view() const { return {bytes_.get(), size_}; }

private:
    size_t size_;
    std::unique_ptr<char[]> bytes_;
};

JsonValue parse(std::string_view text, int32_t expected = 0) {
    JsonValue value;
    EXPECT_EQ(ParseJsonValue(text, &value), expected) << text;
    return value;
}

std::vector<std::string> keysOf(const JsonValue& value) {
    std::vector<std::string> keys;
    for (size_t i = 0; i < value.Count(); ++i)
        keys.emplace_back(value.Key(i));
    return keys;
}

}  // namespace

TEST(JsonReader, ObjectsGiveTheirOwnKeysInOrderAndMembersByExactName) {
    const ExactText doc(R"({"version":"2.5","update":"x","inner":{"deep":1,"version":"no"}})");
    const JsonValue feed = parse(doc.view());
    EXPECT_EQ(keysOf(feed), (std::vector<std::string>{"version", "update", "inner"}))
        << "keys of nested objects are not keys of the outer object";
    EXPECT_EQ(JsonText(feed), "") << "an object with entries has no text of its own";
    EXPECT_EQ(JsonText(JsonMember(feed, "version")), "2.5");
    EXPECT_EQ(JsonText(JsonMember(feed, "update")), "x");
    EXPECT_FALSE(JsonMember(feed, "Version").Found()) << "names are compared case-sensitively";
    EXPECT_FALSE(JsonMember(feed, "deep").Found());
    const JsonValue inner = JsonMember(feed, "inner");
    EXPECT_EQ(keysOf(inner), (std::vector<std::string>{"deep", "version"}));
    EXPECT_EQ(JsonText(JsonMember(inner, "version")), "no");

    const JsonValue missing = JsonMember(feed, "news");
    EXPECT_FALSE(missing.Found());
    EXPECT_EQ(missing.Count(), 0u);
    EXPECT_EQ(JsonText(missing), "");
    EXPECT_FALSE(JsonMember(missing, "x").Found()) << "reading through an empty value stays empty";

    const JsonValue twice = parse(R"({"a":1,"a":2})");
    EXPECT_EQ(JsonText(JsonMember(twice, "a")), "1") << "the first member of that name";
}

TEST(JsonReader, ArraysGiveOneEmptyNamedEntryPerElement) {
    const ExactText doc(R"([{"a":1},{"a":2}])");
    const JsonValue list = parse(doc.view());
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Key(0), "");
    EXPECT_EQ(JsonText(JsonMember(JsonElement(list, 1), "a")), "2");
    EXPECT_EQ(JsonText(JsonMember(JsonElement(list, 0), "a")), "1");
    EXPECT_FALSE(JsonElement(list, 2).Found());

    const JsonValue empty = parse("[]");
    ASSERT_EQ(empty.Count(), 1u) << "[] counts one element";
    EXPECT_TRUE(JsonElement(empty, 0).Found());
    EXPECT_EQ(JsonText(JsonElement(empty, 0)), "");

    const JsonValue nested = parse(R"([[1,2],"x,y",3 ])");
    ASSERT_EQ(nested.Count(), 3u) << "commas in nested arrays and strings do not count";
    EXPECT_EQ(JsonElement(nested, 0).Count(), 2u);
    EXPECT_EQ(JsonText(JsonElement(JsonElement(nested, 0), 1)), "2");
    EXPECT_EQ(JsonText(JsonElement(nested, 1)), "x,y");
    EXPECT_EQ(JsonText(JsonElement(nested, 2)), "3 ") << "blanks before the bracket stay";

    EXPECT_FALSE(JsonElement(parse("17"), 0).Found()) << "a scalar has no elements";
}

TEST(JsonReader, ScalarTextsKeepEverythingUpToTheCharacterThatEndedTheScan) {
    const JsonValue object = parse("{\"a\": true}");
    EXPECT_EQ(JsonText(JsonMember(object, "a")), " true") << "the leading blank is kept";
    const JsonValue lined = parse("{\"n\":5\n}");
    EXPECT_EQ(JsonText(JsonMember(lined, "n")), "5\n");
    const JsonValue listed = parse("{\"n\":5, \"m\" : null }");
    EXPECT_EQ(JsonText(JsonMember(listed, "n")), "5") << "a comma ends a bare scalar";
    EXPECT_EQ(JsonText(JsonMember(listed, "m")), " null ");
    EXPECT_EQ(JsonText(parse("-12.5e3")), "-12.5e3") << "the end of the text ends the scan";
    EXPECT_EQ(JsonText(parse("1:2")), "1");

    const JsonValue strings = parse(R"({"s":"[,:{}]","t":2})");
    EXPECT_EQ(keysOf(strings), (std::vector<std::string>{"s", "t"}))
        << "brackets, braces, colons and commas inside strings are text";
    EXPECT_EQ(JsonText(JsonMember(strings, "s")), "[,:{}]");
    EXPECT_EQ(JsonText(JsonMember(strings, "t")), "2");
}

TEST(JsonReader, EscapesStayAsWrittenAndAMalformedOneFailsWithThree) {
    EXPECT_EQ(JsonText(parse(R"("a\"b")")), R"(a\"b)");
    EXPECT_EQ(JsonText(parse(R"("\\\/\b\f\n\r\t\u00e9")")), R"(\\\/\b\f\n\r\t\u00e9)");
    const JsonValue keyed = parse(R"({"a\"b":1})");
    EXPECT_EQ(JsonText(JsonMember(keyed, R"(a\"b)")), "1") << "names are compared raw";

    JsonValue value = parse(R"("ok")");
    EXPECT_EQ(ParseJsonValue(R"("a\xb")", &value), tintel::kJsonMalformedEscape);
    EXPECT_FALSE(value.Found()) << "a failed read leaves an empty value";
    parse(R"({"a":{"b":["\x"]}})", tintel::kJsonMalformedEscape);
    parse(R"(["\u12)", tintel::kJsonMalformedEscape);
    parse(R"("\u123)", tintel::kJsonMalformedEscape);  // all four must be there
    EXPECT_EQ(JsonText(parse(R"("\u1234)")), R"("\u1234)") << "unclosed: the raw text";
    parse(R"(["\)", tintel::kJsonMalformedEscape);
    EXPECT_EQ(JsonText(parse(R"("\uzzzz")")), R"(\uzzzz)") << "the four are skipped, not checked";

    const JsonValue list = parse(R"([1,"\q"])", tintel::kJsonMalformedEscape);
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_FALSE(JsonElement(parse(R"({"a":"\q"})", 3), 0).Found());
}

TEST(JsonReader, NeverReadsPastTheEndOfTheText) {
    // The views stop short of text that would change the answer if it were read.
    const std::string whole = R"([1,2,3]{"k":"v"})";
    const ExactText cut(whole.substr(0, 4));  // "[1,2"
    const JsonValue list = parse(cut.view());
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(JsonText(JsonElement(list, 1)), "2");

    for (const char* text : {"[", "{\"a\":", "\"abc", "{\"a\"", "[\"\\u00", "\"\\"}) {
        const ExactText exact(text);
        JsonValue value;
        const int32_t result = ParseJsonValue(exact.view(), &value);
        EXPECT_TRUE(result == 0 || result == tintel::kJsonMalformedEscape) << text;
        for (size_t i = 0; i < value.Count(); ++i)
            JsonElement(value, i);
    }
    const JsonValue dangling = parse("{\"a\" }");
    EXPECT_EQ(dangling.Count(), 1u);
    EXPECT_FALSE(JsonMember(dangling, "a").Found())
        << "a name never followed by a colon has no value";

    // A zero byte ends the text, as it ends the program's zero-terminated texts.
    const std::string zero("[1,\0 2,3]", 9);
    const JsonValue stopped = parse(zero);
    EXPECT_EQ(stopped.Count(), 2u);
    EXPECT_EQ(JsonText(JsonElement(stopped, 1)), "");
}

namespace {

struct WalkStats {
    size_t values = 0;
    size_t failures = 0;
};

// The reader is lazy: each level scans its own value again, so a walk costs up to depth x size.
// The program reads at most three levels; the walk stops at 256 (JSONTestSuite nests up to
// 100,000 deep).
constexpr int kWalkDepth = 256;

// Reads every member and element below `value`, checking that each value's position lies inside
// the document, that a scalar's text is the start of its position or a string in it, and that a
// member read by name is the one read by index (for the first member of each name).
void walk(const JsonValue& value, std::string_view doc, int depth, WalkStats* stats,
          const std::string& name) {
    ++stats->values;
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
        if (element.Found()) {
            walk(element, doc, depth + 1, stats, name);
        } else {
            ++stats->failures;
        }
        const std::string_view key = value.Key(i);
        if (key.empty() || !seen.insert(key).second) continue;
        const JsonValue member = JsonMember(value, key);
        EXPECT_EQ(member.Found(), element.Found()) << name;
        EXPECT_EQ(member.Position().data(), element.Position().data()) << name;
    }
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::map<std::string, std::pair<std::string, size_t>> expectations(
    const std::filesystem::path& file) {
    std::map<std::string, std::pair<std::string, size_t>> out;
    std::ifstream in(file);
    std::string name, kind;
    size_t count = 0;
    while (in >> name >> kind >> count)
        out[name] = {kind, count};
    return out;
}

}  // namespace

TEST(JsonReader, EveryJsonTestSuiteCaseReadsAndWalksSafely) {
    const std::filesystem::path data(TINTEL_TEST_DATA "/json");
    const auto expected = expectations(data / "expected.tsv");
    ASSERT_EQ(expected.size(), 95u) << "expected.tsv missing or incomplete under " << data;
    size_t cases = 0;
    size_t checked = 0;
    for (const char* set : {"parsing", "transform"}) {
        for (const auto& entry : std::filesystem::directory_iterator(data / set)) {
            const std::string name = entry.path().filename().string();
            const ExactText doc(readFile(entry.path()));
            JsonValue value;
            const int32_t result = ParseJsonValue(doc.view(), &value);
            ++cases;
            ASSERT_TRUE(result == 0 || result == tintel::kJsonMalformedEscape) << name;
            const auto want = expected.find(name);
            if (want != expected.end()) {
                // Valid JSON never has a malformed escape; its top level has the entries a real
                // parser finds (distinct names for objects).
                ASSERT_EQ(result, 0) << name;
                const auto& [kind, count] = want->second;
                if (kind == "array") {
                    EXPECT_EQ(value.Count(), count) << name;
                }
                if (kind == "object") {
                    const auto keys = keysOf(value);
                    EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()).size(), count)
                        << name;
                }
                if (kind == "scalar") {
                    EXPECT_EQ(value.Count(), 0u) << name;
                }
                ++checked;
            }
            if (result != 0) continue;
            WalkStats stats;
            walk(value, doc.view(), 0, &stats, name);
            EXPECT_GE(stats.values, 1u);
        }
    }
    EXPECT_EQ(cases, 340u) << "318 parsing and 22 transform cases";
    EXPECT_EQ(checked, expected.size());
}
