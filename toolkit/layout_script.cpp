// LoadLayout: runs a layout script against the nodes the artwork built. The reader
// (layout_reader.cpp) hands over each statement; this file acts on it:
//   - hierarchy lines (child ':' parent) move a node under another ("root": the window's root)
//     and make it the current node;
//   - "Property" lines set a property of the current node (result 0, 3 wrong node type or bad
//     value, 4 no current node; anything but 0 is reported);
//   - "MaintainOffset", "MaintainRatio", "XConstraint", "YConstraint" add placement rules;
//   - "Tooltip" gives a node the text of the lines that follow.
#include <functional>
#include <string>
#include <unordered_map>

#include "base/debug_log.h"
#include "toolkit/bicubic_node.h"
#include "toolkit/button_node.h"
#include "toolkit/layout_error.h"
#include "toolkit/layout_lines.h"
#include "toolkit/layout_scan.h"
#include "toolkit/nodes.h"
#include "toolkit/resource_files.h"
#include "toolkit/resource_table.h"
#include "toolkit/text_node.h"

namespace yt {

namespace {

constexpr int32_t kWrongValue = 3;
constexpr int32_t kNoNode = 4;

// A node's offset from the window's root: the sum of its own and its ancestors' positions.
void offsetInRoot(const ytDrawNode* node, float* x, float* y) {
    *x = 0, *y = 0;
    for (; node && !node->isRoot(); node = node->parent())
        *x += node->x(), *y += node->y();
}

// The node's extent in its parent, from its current placement.
ytRectF extentInParent(ytDrawNode* node) {
    node->UpdateLocalMatrix();
    return node->ParentBounds();
}

}  // namespace

class ytLayoutRun {
public:
    explicit ytLayoutRun(ytResourceTable& table) : table_(table) {}

    int32_t Run(const std::string& baseName) {
        bool found = false;
        ytScriptReader reader(
            [&](const std::string& name, std::string* text) {
                const bool read = ReadWholeFile(RuntimeFile(name + ".tre"), text);
                if (name == baseName && !found) found = read;
                return read;
            },
            &table_.Defines());
        reader_ = &reader;
        reader.Run(baseName, [this](const std::string& line) { statement(line); });
        reader_ = nullptr;
        return found ? 0 : 2;
    }

private:
    void statement(const std::string& line) {
        switch (ClassifyLine(line)) {
            case ScriptLine::Tooltip:
                tooltip(line);
                return;
            case ScriptLine::Property:
                if (property(ParsePropertyLine(line)) != 0)
                    ReportLayoutError("Error parsing (wrong type or incorrect parameter.)", line);
                return;
            case ScriptLine::MaintainOffset:
            case ScriptLine::MaintainRatio:
                maintain(line);
                return;
            case ScriptLine::XConstraint:
            case ScriptLine::YConstraint:
                constraint(line);
                return;
            case ScriptLine::Hierarchy:
                hierarchy(line);
                return;
        }
    }

    // "Tooltip name", then the text up to a line shorter than 2 characters.
    void tooltip(const std::string& line) {
        const std::string name = TooltipTarget(line);
        std::string text, next;
        while (reader_->NextRawLine(&next) && next.size() >= 2) {
            if (!text.empty()) text += '\n';
            text += next;
        }
        ytButtonNode* button = name.empty() ? nullptr : table_.FindButton(name);
        if (!button) {
            base::DebugLog("ToolTip Not Found %s.\n", name.c_str());
            return;
        }
        button->SetTooltip(text);
    }

    void hierarchy(const std::string& line) {
        std::string childName, parentName;
        const int parsed = ParseHierarchyLine(line, &childName, &parentName);
        // A failed line leaves no current node: the properties after it were meant for the
        // node it named, not for the one before.
        current_ = nullptr;
        if (parsed != 0) {
            ReportLayoutError(parsed == 1 ? "No parent" : nullptr, line);
            return;
        }
        ytDrawNode* child = table_.FindNode(childName);
        if (!child) {
            ReportLayoutError("Child not found in resources", line);
            return;
        }
        ytDrawNode* parent = parentName == "root" ? table_.LastRoot() : table_.FindNode(parentName);
        if (!parent) {
            ReportLayoutError("Parent not found in resources", line);
            return;
        }
        if (child->HasConstraints())
            base::DebugLog("Clearing existing constraints for %s.\n", childName.c_str());
        // The node keeps its place in the window: the artwork placed every layer in the
        // document's coordinates.
        float oldX, oldY, newX, newY;
        offsetInRoot(child->parent(), &oldX, &oldY);
        offsetInRoot(parent, &newX, &newY);
        ytRef<ytDrawNode> keep(child);
        if (child->MoveUnder(parent) < 0) {
            ReportLayoutError(nullptr, line);
            return;
        }
        child->SetPosition(child->x() + oldX - newX, child->y() + oldY - newY);
        current_ = child;
    }

    void constraint(const std::string& line) {
        const bool x = line[0] == 'X';
        if (!current_) {
            ReportLayoutError(x ? "XConstraint with no node" : "YConstraint with no node", line);
            return;
        }
        float v[5] = {};
        const int count = ParseConstraintLine(line, v);
        if (count != 3 && count != 5) {
            ReportLayoutError(x ? "XConstraint requires 3 or 5 args with commas"
                                : "YConstraint requires 3 or 5 args with commas",
                              line);
            return;
        }
        current_->AddConstraint(x ? Axis::kX : Axis::kY,
                                count == 3 ? ytConstraint::Rule(v[0], v[1], v[2])
                                           : ytConstraint::Range(v[0], v[1], v[2], v[3], v[4]));
    }

    void maintain(const std::string& line) {
        const bool offset = ClassifyLine(line) == ScriptLine::MaintainOffset;
        if (!current_) {
            ReportLayoutError(offset ? "MaintainOffset with no node" : "MaintainRatio with no node",
                              line);
            return;
        }
        Direction direction = Direction::Left;
        switch (ParseDirection(line, &direction)) {
            case 1:
                ReportLayoutError(offset ? "Could not find MaintainOffset arg"
                                         : "Could not find MaintainRatio arg",
                                  line);
                return;
            case 2:
                ReportLayoutError("Invalid direction", line);
                return;
            default:
                break;
        }
        const ytRectF own = extentInParent(current_);
        const ytDrawNode* parent = current_->parent();
        const ytRectF box = parent ? parent->LocalBounds() : ytRectF{};
        auto add = [&](Direction d) {
            const bool horizontal = d == Direction::Left || d == Direction::Right;
            const bool far = d == Direction::Right || d == Direction::Bottom;
            const float edge =
                horizontal ? (far ? own.right : own.left) : (far ? own.bottom : own.top);
            const float p0 = horizontal ? box.left : box.top;
            const float p1 = horizontal ? box.right : box.bottom;
            const float end = far ? 1.0f : 0.0f;
            ytConstraint rule;
            if (offset) {
                rule = ytConstraint::Rule(end, end, edge - (far ? p1 : p0));
            } else {
                // A parent without extent has no fractions: the edge stays at its start.
                const float fraction = p1 > p0 ? (edge - p0) / (p1 - p0) : 0.0f;
                rule = ytConstraint::Rule(end, fraction, 0.0f);
            }
            current_->AddConstraint(horizontal ? Axis::kX : Axis::kY, rule);
        };
        if (direction == Direction::All) {
            for (Direction d :
                 {Direction::Left, Direction::Right, Direction::Top, Direction::Bottom})
                add(d);
        } else {
            add(direction);
        }
    }

    // The text node a font property applies to: a text node, or a button's label.
    ytTextNode* textOf(ytDrawNode* node) {
        if (auto* text = dynamic_cast<ytTextNode*>(node)) return text;
        if (auto* button = dynamic_cast<ytButtonNode*>(node)) return button->label();
        return nullptr;
    }

    int32_t property(const PropertyLine& p) {
        if (!current_) return kNoNode;
        ytDrawNode* node = current_;
        const bool on = p.intValue != 0;
        auto* button = dynamic_cast<ytButtonNode*>(node);
        auto* bitmap = dynamic_cast<ytBitmapNode*>(node);
        auto* selection = dynamic_cast<ytSelectionNode*>(node);
        ytTextNode* text = textOf(node);
        const std::string& k = p.keyword;

        if (k == "fontsize" || k == "fontname" || k == "fontweight" || k == "fonttrack") {
            if (!text) return kWrongValue;
            if (k == "fontsize") {
                if (p.intValue <= 0) return kWrongValue;
                text->SetFontSize(p.intValue);
            } else if (k == "fontname") {
                if (p.value.empty()) return kWrongValue;
                text->SetFontName(p.value);
            } else if (k == "fontweight") {
                text->SetFontWeight(p.intValue);
            } else {
                text->SetTracking(p.intValue);
            }
            return 0;
        }
        if (k == "typecolor") {
            if (!button) return kWrongValue;
            uint32_t c[3];
            size_t pos = 0;
            if (!ScanColour(p.value, &pos, &c[0])) return kWrongValue;
            if (ScanColour(p.value, &pos, &c[1])) {
                if (!ScanColour(p.value, &pos, &c[2])) return kWrongValue;
                button->SetLabelColours(c[0], c[1], c[2]);
            } else {
                button->SetLabelColours(c[0], c[0], c[0]);
            }
            return 0;
        }
        if (k == "showtarget" || k == "hidetarget" || k == "enabletarget" || k == "disabletarget" ||
            k == "pushtarget" || k == "webtarget" || k == "alias") {
            if (!button || p.value.empty()) return kWrongValue;
            if (k == "showtarget")
                button->AddShowTarget(p.value);
            else if (k == "hidetarget")
                button->AddHideTarget(p.value);
            else if (k == "enabletarget")
                button->AddEnableTarget(p.value);
            else if (k == "disabletarget")
                button->AddDisableTarget(p.value);
            else if (k == "pushtarget")
                button->AddPushTarget(p.value);
            else if (k == "webtarget")
                button->SetWebTarget(p.value);
            else
                button->SetAlias(p.value);
            return 0;
        }
        if (k == "setpressed" || k == "setautorepeat" || k == "normalcursor" || k == "textcursor" ||
            k == "hitchildren" || k == "mousedown" || k == "hitbox") {
            if (!button) return kWrongValue;
            if (k == "setpressed")
                button->SetPressed(on);
            else if (k == "setautorepeat")
                button->SetAutoRepeat(true);
            else if (k == "normalcursor")
                button->SetArrowCursor(true);
            else if (k == "textcursor")
                button->SetTextCursor(true);
            else if (k == "hitchildren")
                button->SetHitChildren(on);
            else if (k == "mousedown")
                button->SetActOnPress(on);
            else
                button->SetHitByPixels(!on);
            return 0;
        }
        if (k == "setvisible")
            node->SetVisible(on);
        else if (k == "sethiquality")
            node->SetHighQuality(on);
        else if (k == "drag")
            node->SetDraggable(on);
        else if (k == "windrag")
            node->SetWindowDrag(on);
        else if (k == "winsize")
            node->SetWindowSize(on);
        else if (k == "usealpha")
            node->SetUseAlpha(on);
        else if (k == "dither")
            node->SetDither(true);
        else if (k == "disable")
            node->SetDisabled(on);
        else if (k == "focustarget") {
        } else if (k == "slider") {
            node->AddHandler(new ytSliderHandler(p.intValue > 1 ? p.intValue : 0));
        } else if (k == "useshadow" || k == "multiply") {
            if (!bitmap) return kWrongValue;
            if (k == "useshadow")
                bitmap->SetShadow(true);
            else
                bitmap->SetMultiply(on);
        } else if (k == "editmode" || k == "negativemode") {
            if (!selection) return kWrongValue;
            if (k == "editmode") {
                selection->SetEditMode(true);
            } else {
                uint32_t colour = 0;
                size_t pos = 0;
                if (!ScanColour(p.value, &pos, &colour)) return kWrongValue;
                selection->SetNegativeColour(colour);
            }
        } else if (k == "buddy") {
            auto* wheel = dynamic_cast<ytColorWheelNode*>(node);
            if (!wheel || p.value.empty()) return kWrongValue;
            wheel->SetBuddy(p.value);
        } else if (k == "scaleclamp" || k == "croptofit") {
            auto* bicubic = dynamic_cast<ytBicubicNode*>(node);
            if (!bicubic) return kWrongValue;
            if (k == "scaleclamp")
                bicubic->SetScaleClamp(TextToFloat(p.value));
            else
                bicubic->SetCropToFit(true);
        } else {
            return kWrongValue;
        }
        return 0;
    }

    ytResourceTable& table_;
    ytScriptReader* reader_ = nullptr;
    ytDrawNode* current_ = nullptr;  // registered, so the table keeps it alive
};

int32_t ytResourceTable::LoadLayout(const std::string& baseName) {
    return ytLayoutRun(*this).Run(baseName);
}

}  // namespace yt
