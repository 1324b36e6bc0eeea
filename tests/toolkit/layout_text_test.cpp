// The text side of layouts, before any node exists: the name hash and the natural comparison
// (against values worked out by hand), layer names, the scanf-like readers, and the script
// reader's lines, includes, defines and errors.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "toolkit/layer_desc.h"
#include "toolkit/layout_error.h"
#include "toolkit/layout_lines.h"
#include "toolkit/layout_names.h"
#include "toolkit/layout_reader.h"
#include "toolkit/layout_scan.h"

namespace {

using namespace yt;

// Worked by hand from h = 0x12345678, h ^= (h << 5) + (h >> 2) + c. For "a": 0x468ACF00 +
// 0x048D159E + 0x61 = 0x4B17E4FF, ^ 0x12345678 = 0x5923B287. For "\xFF" the byte is -1, not 255:
// 0x4B17E49D ^ 0x12345678 = 0x5923B2E5 (unsigned would give 0x5923B3E5).
TEST(LayoutNames, HashFoldsCaseAndTakesBytesSigned) {
    const struct {
        std::string name;
        uint32_t hash, bucket;
    } cases[] = {
        {"", 0x12345678u, 306},
        {"a", 0x5923B287u, 180},
        {"A", 0x5923B287u, 180},
        {"\xFF", 0x5923B2E5u, 274},
        {"caf\xE9", 0xF019A332u, 40},
        {"tintel/slider1", 0x82955C97u, 506},
        {"TINTEL/Slider1", 0x82955C97u, 506},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NameHash(c.name), c.hash) << c.name;
        EXPECT_EQ(NameHash(c.name) % kNameBuckets, c.bucket) << c.name;
    }
}

TEST(LayoutNames, NaturalComparison) {
    const struct {
        const char *a, *b;
        int order;
    } cases[] = {
        {"tintel/Slider1", "TINTEL/slider1", 0},
        {"slider2", "slider10", -1},  // numbers by value, not by digits
        {"a01", "a1", 0},
        {"a9", "a:", 1},  // a number orders after every single byte, even 0xFF
        {"a9", "a\xFF", 1},
        {"ab", "abc", -1},
        {"b", "a99", 1},
        {"x123456789012345678901234567890", "x123456789012345678901234567891", -1},
        {"Z", "a", 1},        // 'z' > 'a' once folded
        {"\xE9", "\xC9", 1},  // only ASCII folds
    };
    for (const auto& c : cases) {
        const int order = NaturalCompare(c.a, c.b);
        EXPECT_EQ((order > 0) - (order < 0), c.order) << c.a << " vs " << c.b;
        const int reverse = NaturalCompare(c.b, c.a);
        EXPECT_EQ((reverse > 0) - (reverse < 0), -c.order) << c.b << " vs " << c.a;
    }
    EXPECT_EQ(QualifiedName("Tintel", "Slider1"), "tintel/slider1");
}

TEST(LayerNames, GrammarAndKinds) {
    const std::vector<std::string> custom = {"rect", "gauge"};
    const struct {
        const char* layer;
        int32_t result, kind;
        std::vector<std::string> arguments;
        const char* name;
        bool withCustom;
    } cases[] = {
        {"box", 0, kKindBitmap, {}, "box", false},
        {"rect(ffff0000):box", 0, kKindRect, {"ffff0000"}, "box", false},
        {"text:caption", 0, kKindText, {}, "caption", false},
        {"button(Apply,-,down):apply", 0, kKindButton, {"Apply", "-", "down"}, "apply", false},
        {"srect(0, 1,  2):x", 0, kKindShadowRect, {"0", "1", "2"}, "x", false},
        // After a comma everything up to a letter, digit, '-' or '.' is skipped, commas too.
        {"button(Go, ,#up,,down ):go", 0, kKindButton, {"Go", "up", "down "}, "go", false},
        {"static( Two words ):  -- label2", 0, kKindStatic, {" Two words "}, "label2", false},
        {"rect():r", 0, kKindRect, {}, "r", false},
        // The last ':' splits; the first ')' after '(' closes the list.
        {"text(a:b):c", 0, kKindText, {"a:b"}, "c", false},
        {"Rect:x", 0, kKindBitmap, {}, "x", false},  // words match case-sensitively
        {"clip(child)", 0, kKindBitmap, {}, "clip(child)", false},
        {"rect(ff:box", 3, kKindBitmap, {}, "", false},
        {"gauge(1):g", 0, kCustomKindBase + 1, {"1"}, "g", true},
        {"rect:r", 0, kCustomKindBase, {}, "r", true},  // custom words first
        {"fps:f", 0, kKindFps, {}, "f", false},
        {"buttcontainer:", 0, kKindButtContainer, {}, "", false},
    };
    for (const auto& c : cases) {
        ytLayerDesc desc;
        const std::vector<std::string> none;
        EXPECT_EQ(ParseLayerName(c.layer, c.withCustom ? custom : none, &desc), c.result)
            << c.layer;
        if (c.result != 0) continue;
        EXPECT_EQ(desc.kind, c.kind) << c.layer;
        EXPECT_EQ(desc.arguments, c.arguments) << c.layer;
        EXPECT_EQ(desc.name, c.name) << c.layer;
    }
}

TEST(LayoutScan, ColoursAndNumbersReadAsScanfWould) {
    const struct {
        const char* text;
        bool ok;
        uint32_t colour;
    } colours[] = {
        {"ffff0000", true, 0xFFFF0000u},  // opaque red stays
        {"ff0000", true, 0x00000000u},    // six digits: alpha 0 premultiplies to nothing
        {"80ff8040", true, 0x80804020u},  // 255 * 129 >> 8 = 128, 128 * 129 >> 8 = 64, ...
        {" 0xFF00ff00", true, 0xFF00FF00u}, {"zz", false, 0},
    };
    for (const auto& c : colours) {
        size_t pos = 0;
        uint32_t colour = 1;
        EXPECT_EQ(ScanColour(c.text, &pos, &colour), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(colour, c.colour) << c.text;
        }
    }
    EXPECT_EQ(TextToInt(" -12px"), -12);
    EXPECT_EQ(TextToInt("x"), 0);
    EXPECT_EQ(TextToInt("99999999999"), 2147483647);
    EXPECT_FLOAT_EQ(TextToFloat("  2.5e1,"), 25.0f);
    EXPECT_FLOAT_EQ(TextToFloat("-.5"), -0.5f);
    EXPECT_EQ(TextToFloat("1e99"), std::numeric_limits<float>::infinity());
    EXPECT_EQ(TextToFloat("1e-99"), 0.0f);
}

// ---- the script reader -----------------------------------------------------------------------

struct ScriptRun {
    std::map<std::string, std::string> files;
    std::vector<std::string> lines;
    std::vector<std::string> errors;
    ytDefineTable defines;

    // Runs `top`; a line starting with "Tooltip" takes the lines after it up to a short one.
    void run(const std::string& top) {
        SetLayoutErrorRecorder([this](const std::string& text, const std::string& title) {
            errors.push_back(title + ": " + text);
        });
        ytScriptReader reader(
            [this](const std::string& name, std::string* text) {
                const auto it = files.find(name);
                if (it == files.end()) return false;
                *text = it->second;
                return true;
            },
            &defines);
        reader.Run(top, [&](const std::string& line) {
            lines.push_back(line);
            if (line.rfind("Tooltip", 0) != 0) return;
            std::string text;
            while (reader.NextRawLine(&text) && text.size() >= 2)
                lines.push_back("  " + text);
        });
        SetLayoutErrorRecorder(nullptr);
    }
};

TEST(LayoutReader, IncludesDefinesCommentsAndLineEnds) {
    for (const char* end : {"\n", "\r\n"}) {
        auto crlf = [&](std::string text) {
            std::string out;
            for (char c : text)
                out += c == '\n' ? std::string(end) : std::string(1, c);
            return out;
        };
        ScriptRun run;
        run.files["top"] = crlf(
            "# a comment\n"
            "#include mid\n"
            "#define W\n"
            "root\n"
            "W again\n"
            "\n"
            "tintel/a: W\n"
            "x\n"
            "Tooltip tintel/b\n"
            "first line\n"
            "second W line\n"
            "\n"
            "#include missing\n"
            "#include\n"
            "#define\n"
            "after");
        run.files["mid"] = crlf("mid/one: root\n#include leaf\nmid/two: root\n");
        run.files["leaf"] = crlf("leaf/x: root");
        run.run("top");
        // The define's body mentions W: it is expanded once and its lines are read as they are.
        const std::vector<std::string> expected = {
            "mid/one: root",    "leaf/x: root", "mid/two: root",   "tintel/a: root", "W again",
            "Tooltip tintel/b", "  first line", "  second W line", "after",
        };
        EXPECT_EQ(run.lines, expected) << "line end " << (end[1] ? "CR LF" : "LF");
        const std::vector<std::string> errors = {"Error: Bad include format: [#include]",
                                                 "Error: Bad define: [#define]"};
        EXPECT_EQ(run.errors, errors);
        EXPECT_EQ(run.defines.Size(), 1u);
    }
}

TEST(LayoutReader, LineLengthAndIncludeLoops) {
    ScriptRun run;
    const std::string longest = "a:" + std::string(kMaxScriptLine - 2, 'b');
    const std::string tooLong = "c:" + std::string(kMaxScriptLine - 1, 'd');
    run.files["top"] = longest + "\r\n" + tooLong + "\nnext: root\n#include top\n#include one\n";
    run.files["one"] = "#include two\n";
    run.files["two"] = "two: root\n#include ONE\n";
    run.run("top");
    ASSERT_EQ(run.lines.size(), 3u);
    EXPECT_EQ(run.lines[0], longest);       // 2,047 characters: one line
    EXPECT_EQ(run.lines[1], "next: root");  // 2,048: refused whole, nothing of it read
    EXPECT_EQ(run.lines[2], "two: root");
    const std::vector<std::string> errors = {
        "Error: Line too long: [c:" + std::string(58, 'd') + "...]",
        "Error: Include loop: [#include top]",
        "Error: Include loop: [#include ONE]",
    };
    EXPECT_EQ(run.errors, errors);

    // Scripts that include the next many times multiply: one run includes at most 1000.
    ScriptRun fan;
    for (size_t i = 0; i <= kMaxIncludes; ++i)
        fan.files["top"] += "#include leaf\n";
    fan.files["leaf"] = "leaf: root\n";
    fan.run("top");
    EXPECT_EQ(fan.lines.size(), kMaxIncludes);
    EXPECT_EQ(fan.errors, std::vector<std::string>{"Error: Too many includes: [#include leaf]"});
}

// The statements' parts; what the panel's script makes of them (directions, property values and
// the error boxes) is proven where the panel is built.
TEST(LayoutLines, StatementsReadIntoTheirParts) {
    const PropertyLine size = ParsePropertyLine("Property fontsize 14.5pt");
    EXPECT_EQ(size.intValue, 14);
    EXPECT_FLOAT_EQ(size.floatValue, 14.5f);
    EXPECT_EQ(ParsePropertyLine("Property drag").value, "");
    EXPECT_EQ(ParsePropertyLine("Property scaleclamp -0.5").floatValue, -0.5f);

    const struct {
        const char* line;
        int count;
        float first, last;
    } rules[] = {
        {"XConstraint 0, 1, -10", 3, 0, -10},
        {"YConstraint 0,0.5,2,1,-2", 5, 0, -2},
        {"XConstraint 1, 2, 3, 4", 4, 1, 4},
        {"XConstraint 1 , 2, 3", 1, 1, 1},  // the comma must follow the number
        {"XConstraint", 0, 0, 0},
    };
    for (const auto& r : rules) {
        float values[5] = {};
        EXPECT_EQ(ParseConstraintLine(r.line, values), r.count) << r.line;
        if (r.count == 0) continue;
        EXPECT_FLOAT_EQ(values[0], r.first) << r.line;
        EXPECT_FLOAT_EQ(values[r.count - 1], r.last) << r.line;
    }

    const struct {
        const char* line;
        int result;
        const char *child, *parent;
    } lines[] = {
        {"tintel/a: root", 0, "tintel/a", "root"},
        {" tintel/a :  --tintel/b  ", 0, "tintel/a", "tintel/b"},
        {"tintel/a root", 1, "", ""},
        {"tintel/a: ..", 1, "", ""},
        {"tintel/a:", 2, "", ""},
    };
    for (const auto& l : lines) {
        std::string child, parent;
        EXPECT_EQ(ParseHierarchyLine(l.line, &child, &parent), l.result) << l.line;
        EXPECT_EQ(child, l.child) << l.line;
        EXPECT_EQ(parent, l.parent) << l.line;
    }
    EXPECT_EQ(ClassifyLine("Propertyfontsize 3"), ScriptLine::Property);
    EXPECT_EQ(ClassifyLine("tooltip x: root"), ScriptLine::Hierarchy);
    EXPECT_EQ(TooltipTarget("Tooltip   tintel/slow  "), "tintel/slow");
}

}  // namespace
