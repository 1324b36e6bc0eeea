// The statements of a layout script, read into their parts without touching any node: what kind
// of line it is, a property's keyword and value, a placement rule's numbers, a placement
// direction, a hierarchy line's child and parent. The layout interpreter (layout.cpp) acts on
// the results.
#pragma once

#include <cstdint>
#include <string>

namespace yt {

enum class ScriptLine {
    Tooltip,         // "Tooltip" name, then its text on the following lines
    Property,        // "Property" keyword [value]
    MaintainOffset,  // "MaintainOffset" direction
    MaintainRatio,   // "MaintainRatio" direction
    XConstraint,     // "XConstraint" 3 or 5 numbers
    YConstraint,
    Hierarchy,  // child ':' parent
};

// The kind of an interpreted line, by how it starts.
ScriptLine ClassifyLine(const std::string& line);

// "Tooltip %s": the node name, empty when the line has none.
std::string TooltipTarget(const std::string& line);

struct PropertyLine {
    std::string keyword;   // from the first letter, digit, '-' or '.' after "Property" to a space
    std::string value;     // the rest from the next letter, digit, '-' or '.'; may be empty
    int32_t intValue = 0;  // the value read as atoi and atof read it
    float floatValue = 0;
};
PropertyLine ParsePropertyLine(const std::string& line);

// "XConstraint %f, %f, %f, %f, %f" (or Y): the numbers read before the first mismatch, 0 to 5.
int ParseConstraintLine(const std::string& line, float values[5]);

// Directions of MaintainOffset and MaintainRatio; "all" is left, right, top, bottom.
enum class Direction { Left, Top, Right, Bottom, All };
// "MaintainOffset %s" / "MaintainRatio %s": 0 with the direction (compared without regard to
// case), 1 when the line has no word after the keyword, 2 for any other word.
int ParseDirection(const std::string& line, Direction* direction);

// child ':' parent: the child is the text before the first ':', the parent starts at the first
// letter or digit after it; blanks around both are not part of the names. Answers 0, 1 when
// there is no ':' or no letter or digit after it ("No parent"), 2 when nothing follows the ':'
// (an error without a message).
int ParseHierarchyLine(const std::string& line, std::string* child, std::string* parent);

}  // namespace yt
