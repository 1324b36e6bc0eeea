#include "toolkit/layout_reader.h"

#include <utility>

#include "toolkit/layout_error.h"
#include "toolkit/layout_names.h"
#include "toolkit/layout_scan.h"

namespace yt {
namespace {

bool startsWith(const std::string& line, const char* prefix) {
    return line.rfind(prefix, 0) == 0;
}

void stripLineEnd(std::string* line) {
    while (!line->empty() && (line->back() == '\r' || line->back() == '\n'))
        line->pop_back();
}

// The start of an over-long line, enough to find it in the script.
std::string lineStart(const std::string& line) {
    constexpr size_t kShown = 60;
    return line.size() <= kShown ? line : line.substr(0, kShown) + "...";
}

}  // namespace

// ---- defines ---------------------------------------------------------------------------------

void ytDefineTable::Define(const std::string& name, const std::string& body) {
    for (size_t i = 0; i < names_.size(); ++i) {
        if (names_[i] == name) {
            bodies_[i] = body;
            return;
        }
    }
    names_.push_back(name);
    bodies_.push_back(body);
}

bool ytDefineTable::Expand(const std::string& line, std::string* expanded) const {
    for (size_t i = 0; i < names_.size(); ++i) {
        const size_t at = line.find(names_[i]);
        if (at == std::string::npos) continue;
        expanded->assign(line, 0, at);
        expanded->append(bodies_[i]);
        expanded->append(line, at + names_[i].size(), std::string::npos);
        return true;
    }
    return false;
}

void ytDefineTable::Clear() {
    names_.clear();
    bodies_.clear();
}

// ---- reading ---------------------------------------------------------------------------------

ytScriptReader::ytScriptReader(ScriptSource source, ytDefineTable* defines)
    : source_(std::move(source)), defines_(defines) {}

void ytScriptReader::Run(const std::string& baseName, const Statement& statement) {
    pending_.clear();
    pendingPosition_ = 0;
    includes_ = 0;
    runFile(baseName, std::string(), statement);
}

bool ytScriptReader::nextFileLine(std::string* line) {
    OpenScript& file = files_.back();
    while (file.position < file.text.size()) {
        const size_t end = file.text.find('\n', file.position);
        const size_t next = end == std::string::npos ? file.text.size() : end + 1;
        line->assign(file.text, file.position, next - file.position);
        file.position = next;
        stripLineEnd(line);
        // A longer line is refused whole: its cut-off end read as a line of its own could
        // re-parent or restyle a node the script never named.
        if (line->size() <= kMaxScriptLine) return true;
        ReportLayoutError("Line too long", lineStart(*line));
    }
    return false;
}

bool ytScriptReader::nextPendingLine(std::string* line) {
    if (pendingPosition_ >= pending_.size()) return false;
    const size_t end = pending_.find_first_of("\r\n", pendingPosition_);
    if (end == std::string::npos) {
        line->assign(pending_, pendingPosition_, std::string::npos);
        pendingPosition_ = pending_.size();
    } else {
        line->assign(pending_, pendingPosition_, end - pendingPosition_);
        // CR LF is one line end.
        pendingPosition_ = end + 1;
        if (pending_[end] == '\r' && pendingPosition_ < pending_.size() &&
            pending_[pendingPosition_] == '\n')
            ++pendingPosition_;
    }
    if (pendingPosition_ >= pending_.size()) {
        pending_.clear();
        pendingPosition_ = 0;
    }
    return true;
}

bool ytScriptReader::NextRawLine(std::string* line) {
    if (nextPendingLine(line)) return true;
    return !files_.empty() && nextFileLine(line);
}

void ytScriptReader::runFile(const std::string& baseName, const std::string& includeLine,
                             const Statement& statement) {
    if (!files_.empty()) {
        // A script that includes itself, directly or through others, would never end.
        const std::string folded = FoldName(baseName);
        bool open = files_.size() >= kMaxIncludeDepth;
        for (const OpenScript& file : files_)
            open = open || FoldName(file.name) == folded;
        if (open) {
            ReportLayoutError("Include loop", includeLine);
            return;
        }
    }
    OpenScript script;
    script.name = baseName;
    if (!source_ || !source_(baseName, &script.text)) return;
    files_.push_back(std::move(script));

    std::string line;
    while (true) {
        const bool fromPending = nextPendingLine(&line);
        if (!fromPending && !nextFileLine(&line)) break;
        if (line.size() < 2) continue;
        if (!fromPending) {
            if (startsWith(line, "#include")) {
                include(line, statement);
                continue;
            }
            if (startsWith(line, "#define")) {
                define(line);
                continue;
            }
            std::string expanded;
            if (defines_ && defines_->Expand(line, &expanded)) {
                pending_ = std::move(expanded);
                pendingPosition_ = 0;
                continue;
            }
        }
        if (line[0] == '#') continue;
        statement(line);
    }
    files_.pop_back();
}

void ytScriptReader::include(const std::string& line, const Statement& statement) {
    size_t position = 8;  // after "#include"
    std::string name;
    if (!ScanWord(line, &position, &name)) {
        ReportLayoutError("Bad include format", line);
        return;
    }
    if (++includes_ > kMaxIncludes) {
        ReportLayoutError("Too many includes", line);
        return;
    }
    runFile(name, line, statement);
}

void ytScriptReader::define(const std::string& line) {
    size_t position = 7;  // after "#define"
    std::string name;
    if (!ScanWord(line, &position, &name)) {
        ReportLayoutError("Bad define", line);
        return;
    }
    std::string body, bodyLine;
    while (nextFileLine(&bodyLine) && bodyLine.size() >= 2)
        body.append(bodyLine).append("\n");
    if (defines_) defines_->Define(name, body);
}

}  // namespace yt
