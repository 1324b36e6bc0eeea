// Buttons, button containers, colour wheels and sliders.
//
// Contents
//   1. auto-repeat
//   2. ytButtonNode: images, state, hit test, mouse, the click and its targets
//   3. ytButtContainer, ytColorWheelNode
//   4. ytSliderHandler
#include "toolkit/button_node.h"

#include <algorithm>
#include <cmath>

#include "base/messages.h"
#include "toolkit/draw_ui.h"
#include "toolkit/nodes.h"
#include "toolkit/shell.h"
#include "toolkit/text_node.h"
#include "toolkit/toolkit.h"

namespace yt {

// ---- 1. auto-repeat
// -------------------------------------------------------------------------------

// The pump's entry that clicks a held button again: first after 400 ms, then every 100 ms. A
// button that lets go detaches it; the next run removes it.
class ButtonRepeat : public ytCallBase {
public:
    static constexpr int kFirstDelayMs = 400;
    static constexpr int kRepeatMs = 100;

    explicit ButtonRepeat(ytButtonNode* button) : button_(button) {
        lastRun = Clock();
        interval = kFirstDelayMs;
    }
    ~ButtonRepeat() override {
        if (button_) button_->repeat_ = nullptr;
    }
    int Run() override {
        if (!button_) return kCallbackRemove;
        button_->RepeatClick();
        return kRepeatMs;
    }
    void Detach() { button_ = nullptr; }

private:
    friend class ytButtonNode;
    ytButtonNode* button_;
};

// ---- 2. ytButtonNode
// ------------------------------------------------------------------------------

ytButtonNode::ytButtonNode(float width, float height) : width_(width), height_(height) {}

ytButtonNode::~ytButtonNode() {
    stopRepeat();
    if (tooltipNode_) {
        tooltipNode_->HideTip(this);
        tooltipNode_->Release();
    }
}

void ytButtonNode::SetStateImage(int state, ytBitmap image) {
    if (state < 0 || state > 3) return;
    images_[state] = std::move(image);
    if (state == 0 && !images_[0].empty())
        width_ = float(images_[0].width()), height_ = float(images_[0].height());
    MarkDirty(kDirtyAll);
}

int ytButtonNode::StateCount() const {
    int n = 0;
    for (const ytBitmap& b : images_)
        n += b.empty() ? 0 : 1;
    return n;
}

int ytButtonNode::CurrentState() const {
    if (disabled()) return kStateDisabled;
    if (pressed_ || checked_) return kStatePressed;
    if (hover()) return kStateHover;
    return kStateNormal;
}

void ytButtonNode::refreshLabel() {
    if (label_) label_->SetColour(labelColour(CurrentState()));
    MarkDirty(kDirtyContent);
}

void ytButtonNode::SetLabel(const std::string& text) {
    if (text.empty()) {
        if (label_) RemoveChild(label_);
        label_ = nullptr;
        return;
    }
    if (!label_) {
        label_ = new ytTextNode(text, width_, height_);
        AddChild(label_);
    } else {
        label_->SetText(text);
    }
    refreshLabel();
}

void ytButtonNode::SetLabelColours(uint32_t normal, uint32_t hover, uint32_t pressed) {
    labelColours_[0] = normal, labelColours_[1] = hover, labelColours_[2] = pressed;
    refreshLabel();
}

void ytButtonNode::SetChecked(bool on) {
    if (on == checked_) return;
    checked_ = on;
    refreshLabel();
}

void ytButtonNode::SetPressed(bool on) {
    if (on == pressed_) return;
    pressed_ = on;
    refreshLabel();
}

ytRectF ytButtonNode::BoundsIn(const ytMatrix& matrix) const {
    if (clipping()) return ytDrawNode::BoundsIn(matrix);
    return matrix.MapBounds(ytRectF{0, 0, width_, height_});
}

bool ytButtonNode::childHit(float x, float y) const {
    for (ytDrawNode* c : children()) {
        if (c->hidden()) continue;
        if (c->ParentBounds().Contains(x, y)) return true;
    }
    return false;
}

bool ytButtonNode::HitTest(float x, float y) const {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) {
        const ytBitmap& image = images_[0];
        if (!hitByPixels_ || image.empty()) return true;
        const int px = int(x), py = int(y);
        if (px < image.width() && py < image.height() && (image.at(px, py) >> 24) != 0) return true;
    }
    return hitIncludesChildren_ && childHit(x, y);
}

void ytButtonNode::Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) {
    const int state = CurrentState();
    const ytBitmap& image = images_[state].empty() ? images_[0] : images_[state];
    DrawBitmapAt(target, entry.world, clip, image, 0, 0, entry.Effective(),
                 useAlpha() ? BitmapMode::kBlend : BitmapMode::kCopy);
}

void ytButtonNode::setCursor(ytMouseEvent& event) const {
    if (event.cursor != CursorKind::kNone) return;  // once per mouse message
    event.cursor = textCursor_    ? CursorKind::kText
                   : arrowCursor_ ? CursorKind::kArrow
                                  : CursorKind::kProgram;
}

ytToolTip* ytButtonNode::tooltipNode() {
    if (!tooltipLooked_) {
        tooltipLooked_ = true;
        tooltipNode_ = dynamic_cast<ytToolTip*>(FindNodeByName("tooltip"));
        if (tooltipNode_) tooltipNode_->AddRef();
    }
    return tooltipNode_;
}

void ytButtonNode::stopRepeat() {
    if (!repeat_) return;
    repeat_->Detach();
    repeat_ = nullptr;
}

intptr_t ytButtonNode::HandleEvent(ytMouseEvent& event) {
    const bool inside = HitTest(event.lx, event.ly);
    switch (event.kind) {
        case kMouseDown:
        case kMouseDoubleClick: {
            if (!inside) return base::kNotHandled;
            if (ytToolTip* tip = tooltip_.empty() ? nullptr : tooltipNode()) tip->HideTip(this);
            SetPressed(true);
            setCursor(event);
            if (actOnPress_ || autoRepeat_) Press(true);
            if (autoRepeat_ && !repeat_ && pressed_) {
                repeat_ = new ButtonRepeat(this);
                AddCallback(repeat_);
            }
            return base::kHandled;
        }
        case kMouseDrag:
            SetPressed(inside);
            if (inside) setCursor(event);
            return base::kHandled;
        case kMouseUp: {
            const bool wasPressed = pressed_;
            SetPressed(false);
            stopRepeat();
            if (inside && wasPressed && !actOnPress_ && !autoRepeat_) Press(true);
            return base::kHandled;
        }
        case kMouseHover:
            if (!inside) {
                if (hover()) MouseLeave();
                return base::kNotHandled;
            }
            if (event.hovered) event.hovered->push_back(this);
            if (!hover()) {
                SetHover(true);
                refreshLabel();
            }
            setCursor(event);
            if (!tooltip_.empty() && event.buttons == 0) {
                if (ytToolTip* tip = tooltipNode()) {
                    ytDrawNode* host = tip->parent();
                    const ytPointF at = host ? host->FromWindow(event.x, event.y + 20)
                                             : ytPointF{event.x, event.y + 20};
                    tip->ShowTip(tooltip_, this, at.x, at.y);
                }
            }
            return base::kHandled;
        default:
            return base::kNotHandled;
    }
}

intptr_t ytButtonNode::MouseLeave() {
    const bool was = hover();
    ytDrawNode::MouseLeave();
    if (was) refreshLabel();
    if (tooltipNode_) tooltipNode_->HideTip(this);
    return base::kNotHandled;
}

void ytButtonNode::Hide() {
    stopRepeat();
    SetPressed(false);
    if (tooltipNode_) tooltipNode_->HideTip(this);
    ytDrawNode::Hide();
}

void ytButtonNode::RepeatClick() {
    if (pressed_ && !hidden() && !disabled()) Press(true);
}

namespace {
// Target lists may name buttons whose lists name this one: presses nest only this deep.
int g_pressDepth = 0;
constexpr int kMostNestedPresses = 8;
}  // namespace

int32_t ytButtonNode::Press(bool byUser) {
    if (g_pressDepth >= kMostNestedPresses) return -1;
    ++g_pressDepth;
    ytRef<ytButtonNode> keep(this);
    int32_t result = 0;
    do {
        if (toggle_ && parent()) {
            if (auto* group = dynamic_cast<ytButtContainer*>(parent())) {
                group->UncheckOthers(this);
                SetChecked(true);
            } else {
                SetChecked(!checked_);
            }
        }
        if (!alias_.empty()) {
            ytDrawNode* other = FindNodeByName(alias_);
            if (other && other != this) {
                result = other->Press(byUser);
                break;
            }
        }
        if (webTarget_.compare(0, 4, "http") == 0) OpenUrl(webTarget_, ShellRun::InBackground);
        if (order_ == TargetOrder::kBeforeEvent) processTargets();
        if (SendNotice(ButtonClicked) == base::kHandledStop) break;
        if (order_ == TargetOrder::kAfterEvent) processTargets();
    } while (false);
    --g_pressDepth;
    return result;
}

void ytButtonNode::processTargets() {
    const bool hideInstead = toggle_ && !checked_;
    for (const std::string& name : show_)
        if (ytDrawNode* n = FindNodeByName(name)) hideInstead ? n->Hide() : n->Show();
    for (const std::string& name : hide_)
        if (ytDrawNode* n = FindNodeByName(name)) hideInstead ? n->Show() : n->Hide();
    for (const std::string& name : enable_)
        if (ytDrawNode* n = FindNodeByName(name)) n->SetDisabled(false);
    for (const std::string& name : disable_)
        if (ytDrawNode* n = FindNodeByName(name)) n->SetDisabled(true);
    if (checked_ || !toggle_)
        for (const std::string& name : push_)
            if (ytDrawNode* n = FindNodeByName(name)) n->Press(false);
}

// ---- 3. ytButtContainer, ytColorWheelNode
// ---------------------------------------------------------

void ytButtContainer::UncheckOthers(ytButtonNode* keep) {
    for (ytDrawNode* c : children()) {
        auto* b = dynamic_cast<ytButtonNode*>(c);
        if (b && b != keep && b->toggle()) b->SetChecked(false);
    }
}

int32_t ytButtContainer::Press(bool) {
    return 0;
}

intptr_t ytColorWheelNode::HandleEvent(ytMouseEvent& event) {
    if ((event.kind == kMouseDown || event.kind == kMouseDrag) && HitTest(event.lx, event.ly)) {
        const ytBitmap& image = stateImage(0);
        const int x = int(event.lx), y = int(event.ly);
        if (x >= 0 && y >= 0 && x < image.width() && y < image.height()) {
            picked_ = image.at(x, y);
            if (auto* buddy = dynamic_cast<ytColorRectNode*>(FindNodeByName(buddy_)))
                buddy->SetColour(picked_);
        }
    }
    return ytButtonNode::HandleEvent(event);
}

// ---- 4. ytSliderHandler
// ---------------------------------------------------------------------------

ytDrawNode* ytSliderHandler::thumbOf(ytDrawNode* node, Axis* axis, float* lo, float* hi) {
    if (!node) return nullptr;
    ytDrawNode* thumb = node;
    if (node->FindHandler<ytSliderHandler>()) {
        if (node->children().empty()) return nullptr;
        thumb = node->children().front();
    }
    // Horizontal unless the thumb's range is vertical only.
    if (thumb->PositionRange(Axis::kX, lo, hi)) {
        *axis = Axis::kX;
        return thumb;
    }
    if (thumb->PositionRange(Axis::kY, lo, hi)) {
        *axis = Axis::kY;
        return thumb;
    }
    return nullptr;
}

int32_t ytSliderHandler::GetValue(ytDrawNode* node, float* value) {
    Axis axis;
    float lo, hi;
    ytDrawNode* thumb = thumbOf(node, &axis, &lo, &hi);
    if (!thumb) return 4;
    *value = hi == lo ? 0.0f : (thumb->position(axis) - lo) / (hi - lo);
    return 0;
}

int32_t ytSliderHandler::SetValue(ytDrawNode* node, float f) {
    Axis axis;
    float lo, hi;
    ytDrawNode* thumb = thumbOf(node, &axis, &lo, &hi);
    if (!thumb) return 4;
    thumb->SetAxisPosition(axis, lo + f * (hi - lo));
    thumb->MarkDirty(kDirtyAll);
    return 0;
}

void ytSliderHandler::moveThumb(ytDrawNode*, ytDrawNode* thumb, Axis axis, float lo, float hi,
                                float pointer) {
    const ytRectF t = thumb->LocalBounds();
    const float scale = axis == Axis::kX ? thumb->scaleX() : thumb->scaleY();
    const float centre = axis == Axis::kX ? (t.left + t.right) / 2 : (t.top + t.bottom) / 2;
    const float pos = pointer - centre * scale;
    thumb->SetAxisPosition(axis, std::clamp(pos, std::min(lo, hi), std::max(lo, hi)));
}

intptr_t ytSliderHandler::HandleEvent(ytDrawNode* track, ytMouseEvent& event) {
    Axis axis;
    float lo, hi;
    ytDrawNode* thumb = thumbOf(track, &axis, &lo, &hi);
    if (!thumb || thumb == track) return base::kNotHandled;
    const float pointer = axis == Axis::kX ? event.lx : event.ly;
    switch (event.kind) {
        case kMouseDown: {
            const ytRectF own = track->LocalBounds();
            const ytRectF t = thumb->LocalBounds();
            const float half =
                (axis == Axis::kX ? t.width() * thumb->scaleX() : t.height() * thumb->scaleY()) / 2;
            const bool inside = axis == Axis::kX
                                    ? event.lx >= own.left - half && event.lx < own.right + half &&
                                          event.ly >= own.top && event.ly < own.bottom
                                    : event.ly >= own.top - half && event.ly < own.bottom + half &&
                                          event.lx >= own.left && event.lx < own.right;
            if (!inside) return base::kNotHandled;
            sliding_ = true;
            moveThumb(track, thumb, axis, lo, hi, pointer);
            track->SendNotice(ValueChanged);
            return base::kHandled;
        }
        case kMouseDrag:
            if (!sliding_) return base::kNotHandled;
            moveThumb(track, thumb, axis, lo, hi, pointer);
            track->SendNotice(ValueChanged);
            return base::kHandled;
        case kMouseUp:
            if (!sliding_) return base::kNotHandled;
            sliding_ = false;
            track->SendNotice(DragFinished);
            return base::kHandled;
        default:
            return base::kNotHandled;
    }
}

}  // namespace yt
