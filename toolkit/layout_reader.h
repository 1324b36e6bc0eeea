// The layout script reader: turns a script file (base name plus "tre") into the lines the layout
// interpreter acts on. It handles everything that is about text rather than nodes:
//   - lines of at most kMaxScriptLine characters, trailing CR and LF removed, lines shorter than
//     2 characters skipped;
//   - "#include name": the script "name.tre" is read at this point with the same rules;
//   - "#define name": the following lines, up to a line shorter than 2 characters or the end of
//     the file, become the body of that name;
//   - "#..." otherwise: a comment;
//   - define expansion: the first define (in definition order) whose name occurs in a line read
//     from the file replaces its first occurrence by its body; the result is the pending text,
//     whose lines are read before the file again and are neither expanded nor tested for
//     "#include" or "#define".
// Every other line goes to the interpreter's callback, which may take the lines that follow it
// (a tooltip's text) through NextRawLine.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace yt {

// The longest line a script may hold, line end not counted.
constexpr size_t kMaxScriptLine = 2047;
// How deep "#include" may nest, and how many scripts one run may include in all (scripts that
// each include the next many times would otherwise multiply without end).
constexpr size_t kMaxIncludeDepth = 16;
constexpr size_t kMaxIncludes = 1000;

// Defines: names and bodies in definition order; they outlive one script run (a later script
// sees the defines of an earlier one).
class ytDefineTable {
public:
    // Adds a define, or gives an existing name its new body.
    void Define(const std::string& name, const std::string& body);
    // Replaces the first occurrence of the first define found in `line` by its body; false when
    // the line holds no define name.
    bool Expand(const std::string& line, std::string* expanded) const;
    size_t Size() const { return names_.size(); }
    void Clear();

private:
    std::vector<std::string> names_;
    std::vector<std::string> bodies_;
};

// Reads the script with a base name into *text; false when there is no such script.
using ScriptSource = std::function<bool(const std::string& baseName, std::string* text)>;

class ytScriptReader {
public:
    using Statement = std::function<void(const std::string& line)>;

    ytScriptReader(ScriptSource source, ytDefineTable* defines);

    // Reads the script `baseName` and its includes, handing each line to interpret to
    // `statement`. A missing script (top-level or included) is skipped without a message.
    // Errors ("Bad include format", "Bad define", an over-long line, an include loop, more
    // than kMaxIncludes includes) are reported with ReportLayoutError and reading goes on with
    // the next line.
    void Run(const std::string& baseName, const Statement& statement);

    // The next line as it stands (pending text first, then the current file), trailing CR and
    // LF removed, not expanded: for statements that own the lines after them. False at the end
    // of the current file.
    bool NextRawLine(std::string* line);

private:
    struct OpenScript {
        std::string name;
        std::string text;
        size_t position = 0;
    };

    void runFile(const std::string& baseName, const std::string& includeLine,
                 const Statement& statement);
    bool nextFileLine(std::string* line);
    bool nextPendingLine(std::string* line);
    void include(const std::string& line, const Statement& statement);
    void define(const std::string& line);

    ScriptSource source_;
    ytDefineTable* defines_;
    std::vector<OpenScript> files_;  // the include chain, innermost last
    std::string pending_;
    size_t pendingPosition_ = 0;
    size_t includes_ = 0;
};

}  // namespace yt
