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

}  // namespace
