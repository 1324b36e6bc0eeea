// libFuzzer target for the layout script reader: the input holds up to four scripts ("a" to
// "d", separated by lines "@@"), and "a" is run, so includes (also of each other, in loops),
// defines with their pending text, comments and over-long lines all get exercised. Statements
// starting with "Tooltip" take the lines after them as the interpreter does, and every statement
// is read into its parts (property, placement numbers, direction, hierarchy). Checks: every line
// handed on is at least 2 characters and has no line end (a CR inside a line stays), names read
// from a line are text of the line, at most five numbers are read; errors go to a recorder, never
// to a box. See README.md.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "toolkit/layout_error.h"
#include "toolkit/layout_lines.h"
#include "toolkit/layout_reader.h"
#include "toolkit/layout_scan.h"
#include "toolkit/toolkit.h"

namespace yt {
// The reader reports through a recorder here; a real box would mean the recorder was lost.
void Note(const std::string&, platform::NativeWindow*, const std::string&) {
    abort();
}
}  // namespace yt

namespace {

void check(bool condition) {
    if (!condition) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::map<std::string, std::string> files;
    size_t start = 0;
    for (char name = 'a'; name <= 'd' && start <= input.size(); ++name) {
        const size_t split = input.find("\n@@\n", start);
        const size_t end = split == std::string_view::npos ? input.size() : split;
        files[std::string(1, name)] = std::string(input.substr(start, end - start));
        if (split == std::string_view::npos) break;
        start = split + 4;
    }

    size_t errors = 0;
    yt::SetLayoutErrorRecorder([&](const std::string& text, const std::string& title) {
        check(title == "Error" && !text.empty());
        ++errors;
    });
    yt::ytDefineTable defines;
    yt::ytScriptReader reader(
        [&](const std::string& name, std::string* text) {
            const auto it = files.find(name);
            if (it == files.end()) return false;
            *text = it->second;
            return true;
        },
        &defines);
    size_t statements = 0;
    reader.Run("a", [&](const std::string& line) {
        // A CR inside a line stays; line ends do not.
        check(line.size() >= 2 && line.find('\n') == std::string::npos && line.back() != '\r');
        ++statements;
        switch (yt::ClassifyLine(line)) {
            case yt::ScriptLine::Property: {
                const yt::PropertyLine property = yt::ParsePropertyLine(line);
                check(line.find(property.keyword) != std::string::npos);
                check(line.find(property.value) != std::string::npos);
                return;
            }
            case yt::ScriptLine::XConstraint:
            case yt::ScriptLine::YConstraint: {
                float values[5];
                const int count = yt::ParseConstraintLine(line, values);
                check(count >= 0 && count <= 5);
                return;
            }
            case yt::ScriptLine::MaintainOffset:
            case yt::ScriptLine::MaintainRatio: {
                yt::Direction direction;
                const int result = yt::ParseDirection(line, &direction);
                check(result >= 0 && result <= 2);
                return;
            }
            case yt::ScriptLine::Hierarchy: {
                std::string child, parent;
                if (yt::ParseHierarchyLine(line, &child, &parent) == 0)
                    check(!parent.empty() && line.find(parent) != std::string::npos &&
                          line.find(child) != std::string::npos);
                return;
            }
            case yt::ScriptLine::Tooltip:
                check(line.find(yt::TooltipTarget(line)) != std::string::npos);
                break;
        }
        std::string text;
        while (reader.NextRawLine(&text) && text.size() >= 2)
            check(text.find('\n') == std::string::npos && text.back() != '\r');
    });
    yt::SetLayoutErrorRecorder(nullptr);
    (void)statements;
    (void)errors;
    return 0;
}
