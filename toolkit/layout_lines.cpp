#include "toolkit/layout_lines.h"

#include "toolkit/layout_names.h"
#include "toolkit/layout_scan.h"

namespace yt {
namespace {

bool startsWith(const std::string& line, const char* prefix) {
    return line.rfind(prefix, 0) == 0;
}

bool wordStart(char c) {
    return IsAsciiAlnum(c) || c == '-' || c == '.';
}

}  // namespace

ScriptLine ClassifyLine(const std::string& line) {
    if (startsWith(line, "Tooltip")) return ScriptLine::Tooltip;
    if (startsWith(line, "Property")) return ScriptLine::Property;
    if (startsWith(line, "MaintainOffset")) return ScriptLine::MaintainOffset;
    if (startsWith(line, "MaintainRatio")) return ScriptLine::MaintainRatio;
    if (startsWith(line, "XConstraint")) return ScriptLine::XConstraint;
    if (startsWith(line, "YConstraint")) return ScriptLine::YConstraint;
    return ScriptLine::Hierarchy;
}

std::string TooltipTarget(const std::string& line) {
    size_t pos = 7;  // after "Tooltip"
    std::string name;
    ScanWord(line, &pos, &name);
    return name;
}

PropertyLine ParsePropertyLine(const std::string& line) {
    PropertyLine property;
    size_t i = 8;  // after "Property"
    while (i < line.size() && !wordStart(line[i]))
        ++i;
    const size_t keywordStart = i;
    while (i < line.size() && line[i] != ' ')
        ++i;
    property.keyword = line.substr(keywordStart, i - keywordStart);
    while (i < line.size() && !wordStart(line[i]))
        ++i;
    property.value = line.substr(i);
    property.intValue = TextToInt(property.value);
    property.floatValue = TextToFloat(property.value);
    return property;
}

int ParseConstraintLine(const std::string& line, float values[5]) {
    size_t pos = 11;  // after "XConstraint" or "YConstraint"
    int count = 0;
    while (count < 5) {
        if (count > 0) {
            // ", " in the format: the comma right after the number, then any blanks.
            if (pos >= line.size() || line[pos] != ',') break;
            ++pos;
        }
        if (!ScanFloat(line, &pos, &values[count])) break;
        ++count;
    }
    return count;
}

int ParseDirection(const std::string& line, Direction* direction) {
    size_t pos = startsWith(line, "MaintainOffset") ? 14 : 13;
    std::string word;
    if (!ScanWord(line, &pos, &word)) return 1;
    word = FoldName(word);
    if (word == "left")
        *direction = Direction::Left;
    else if (word == "top")
        *direction = Direction::Top;
    else if (word == "right")
        *direction = Direction::Right;
    else if (word == "bottom")
        *direction = Direction::Bottom;
    else if (word == "all")
        *direction = Direction::All;
    else
        return 2;
    return 0;
}

int ParseHierarchyLine(const std::string& line, std::string* child, std::string* parent) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos) return 1;
    if (colon + 1 >= line.size()) return 2;
    size_t start = colon + 1;
    while (start < line.size() && !IsAsciiAlnum(line[start]))
        ++start;
    if (start >= line.size()) return 1;
    *child = TrimBlanks(line.substr(0, colon));
    *parent = TrimBlanks(line.substr(start));
    return 0;
}

}  // namespace yt
