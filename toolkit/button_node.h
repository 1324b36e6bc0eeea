// Buttons and sliders: ytButtonNode (four state images, a label, toggles, radio groups in a
// ytButtContainer, aliases, web targets, the five target lists, auto-repeat, tooltips and
// cursors), ytColorWheelNode, and ytSliderHandler (a track node and its thumb).
//
// Contents
//   1. ytButtonNode
//   2. ytButtContainer, ytColorWheelNode
//   3. ytSliderHandler
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/bitmap.h"
#include "toolkit/draw_node.h"

namespace yt {

class ytTextNode;
class ytToolTip;
class ButtonRepeat;

// ---- 1. ytButtonNode ----------------------------------------------------------------------------

enum ButtonState : int32_t {
    kStateNormal = 0,
    kStateHover = 1,
    kStatePressed = 2,
    kStateDisabled = 3
};

// When the target lists are processed relative to the ButtonClicked event.
enum class TargetOrder { kAfterEvent, kBeforeEvent };

class ytButtonNode : public ytDrawNode {
public:
    // A button of the given size without images (the "vbutton" kinds: the layer rectangle).
    ytButtonNode(float width, float height);
    ~ytButtonNode() override;

    // Up to four state images of one size: normal, hover, pressed, disabled. A missing state
    // shows the normal image (pressed falls back to hover first... no: to normal).
    void SetStateImage(int state, ytBitmap image);
    const ytBitmap& stateImage(int state) const { return images_[state]; }
    int StateCount() const;
    // The state being shown: disabled, pressed (held, or checked), hover, else normal.
    int CurrentState() const;
    float width() const { return width_; }
    float height() const { return height_; }

    // The label: a text node child (created on first use; "" removes it).
    void SetLabel(const std::string& text);
    ytTextNode* label() const { return label_; }
    // Label colours for normal, hover and pressed.
    void SetLabelColours(uint32_t normal, uint32_t hover, uint32_t pressed);
    uint32_t labelColour(int state) const { return labelColours_[state < 3 ? state : 0]; }

    void SetHitByPixels(bool on) { hitByPixels_ = on; }
    // "hitchildren": the children's areas count as the button's.
    void SetHitIncludesChildren(bool on) { hitIncludesChildren_ = on; }
    void SetChecked(bool on);
    bool checked() const { return checked_; }
    void SetToggle(bool on) { toggle_ = on; }
    bool toggle() const { return toggle_; }
    void SetActOnPress(bool on) { actOnPress_ = on; }
    void SetTextCursor(bool on) { textCursor_ = on; }
    void SetArrowCursor(bool on) { arrowCursor_ = on; }
    void SetAutoRepeat(bool on) { autoRepeat_ = on; }
    bool autoRepeat() const { return autoRepeat_; }
    void SetPressed(bool on);
    bool pressed() const { return pressed_; }
    void SetAlias(const std::string& name) { alias_ = name; }
    void SetWebTarget(const std::string& address) { webTarget_ = address; }
    const std::string& webTarget() const { return webTarget_; }
    void SetTooltip(const std::string& text) { tooltip_ = text; }
    const std::string& tooltip() const { return tooltip_; }
    void SetTargetOrder(TargetOrder order) { order_ = order; }
    void AddShowTarget(const std::string& name) { show_.push_back(name); }
    void AddHideTarget(const std::string& name) { hide_.push_back(name); }
    void AddDisableTarget(const std::string& name) { disable_.push_back(name); }
    void AddEnableTarget(const std::string& name) { enable_.push_back(name); }
    void AddPushTarget(const std::string& name) { push_.push_back(name); }

    // The click: toggle and radio group, alias, web target, ButtonClicked, target lists.
    int32_t Press(bool byUser) override;
    // The pointer is held on the button: one more click while auto-repeating.
    void RepeatClick();

    ytRectF BoundsIn(const ytMatrix& matrix) const override;
    void Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) override;
    bool HitTest(float x, float y) const override;
    intptr_t HandleEvent(ytMouseEvent& event) override;
    intptr_t MouseLeave() override;
    void Hide() override;

private:
    friend class ButtonRepeat;
    void processTargets();
    void setCursor(ytMouseEvent& event) const;
    ytToolTip* tooltipNode();
    void stopRepeat();
    bool childHit(float x, float y) const;
    void refreshLabel();

    ytBitmap images_[4];
    float width_, height_;
    ytTextNode* label_ = nullptr;
    uint32_t labelColours_[3] = {0xFF000000u, 0xFF000000u, 0xFF000000u};
    bool hitIncludesChildren_ = false;
    bool hitByPixels_ = false, checked_ = false, toggle_ = false, actOnPress_ = false,
         textCursor_ = false, arrowCursor_ = false, autoRepeat_ = false;
    std::string alias_, webTarget_, tooltip_;
    std::vector<std::string> show_, hide_, disable_, enable_, push_;
    TargetOrder order_ = TargetOrder::kAfterEvent;
    bool pressed_ = false;  // held down by the pointer (or "setpressed")
    ButtonRepeat* repeat_ = nullptr;
    ytToolTip* tooltipNode_ = nullptr;
    bool tooltipLooked_ = false;
};

// ---- 2. ytButtContainer, ytColorWheelNode -------------------------------------------------------

// A plain container whose toggle-button children form a radio group.
class ytButtContainer : public ytDrawNode {
public:
    ytButtContainer() = default;
    // Unchecks every toggle button child but `keep`.
    void UncheckOthers(ytButtonNode* keep);
    // Presses the checked child again (or nothing); handled.
    int32_t Press(bool byUser) override;
};

// A colour wheel: a button whose pixels are the colours; a click picks the colour under the
// pointer and shows it in the "buddy" node (a colour rectangle).
class ytColorWheelNode : public ytButtonNode {
public:
    using ytButtonNode::ytButtonNode;
    void SetBuddy(const std::string& name) { buddy_ = name; }
    uint32_t picked() const { return picked_; }
    intptr_t HandleEvent(ytMouseEvent& event) override;

private:
    std::string buddy_;
    uint32_t picked_ = 0;
};

// ---- 3. ytSliderHandler -------------------------------------------------------------------------

// Makes its node a slider track whose first child is the thumb. The thumb's range is its
// five-number placement rule on the slider's axis (vertical when the thumb's range is vertical
// only): lo is the first target, hi the second. A button down inside the track (widened by half
// the thumb at each end) moves the thumb to the pointer, captures, and sends ValueChanged; moves
// while captured follow the pointer within the range and send ValueChanged; the button up sends
// DragFinished.
class ytSliderHandler : public ytHandler {
public:
    explicit ytSliderHandler(int32_t mode = 0) : mode_(mode) {}
    intptr_t HandleEvent(ytDrawNode* node, ytMouseEvent& event) override;
    int32_t mode() const { return mode_; }

    // (position - lo) / (hi - lo) of a thumb, or of a track's thumb: 0, or 4 for a node that
    // is neither.
    static int32_t GetValue(ytDrawNode* node, float* value);
    // Places the thumb at lo + f x (hi - lo) (f outside 0..1 as it is) and marks it dirty: 0 or 4.
    static int32_t SetValue(ytDrawNode* node, float f);

private:
    // The thumb of a track (or the node itself when it is a thumb), its axis and range.
    static ytDrawNode* thumbOf(ytDrawNode* node, Axis* axis, float* lo, float* hi);
    void moveThumb(ytDrawNode* track, ytDrawNode* thumb, Axis axis, float lo, float hi,
                   float pointer);

    int32_t mode_;
    bool sliding_ = false;
};

}  // namespace yt
