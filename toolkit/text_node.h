// Text nodes: ytTextNode (a line or a box of text drawn with a ytFontCache), ytTextEditNode (one
// editable line), ytToolTip (the window's "tooltip" node) and ytFPSNode (frames per second).
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/draw_node.h"

namespace yt {

class ytFontCache;

// How text sits in a box: text layers with arguments wrap from the box's top-left corner, the
// others centre the wrapped lines both ways.
enum class TextLayout { kWrapTopLeft, kCentred };

class ytTextNode : public ytDrawNode {
public:
    // With a box (width and height above 0) the text is laid out in it; without one the node's
    // extent is the text's own (automatic size). Font "Arial" at 12 unless set.
    ytTextNode(const std::string& text, float boxWidth = 0, float boxHeight = 0);

    void SetText(const std::string& text);
    const std::string& text() const { return text_; }
    void SetFontName(const std::string& face);
    void SetFontSize(int size);
    void SetFontWeight(int weight);
    void SetTracking(int pixels);
    const std::string& fontName() const { return face_; }
    int fontSize() const { return size_; }
    int fontWeight() const { return weight_; }
    int tracking() const { return tracking_; }
    void SetColour(uint32_t colour);
    uint32_t colour() const { return colour_; }
    void SetAutoSize(bool on);
    bool autoSize() const { return autoSize_; }
    void SetBox(float width, float height);
    void SetLayout(TextLayout layout);

    // The font (looked up when the font changed); null when no face can be opened.
    ytFontCache* Font();
    // The text's own size in pixels (one line; the box's lines when laid out in a box).
    ytRectF TextExtent();

    ytRectF BoundsIn(const ytMatrix& matrix) const override;
    void Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) override;
    bool HitTest(float x, float y) const override;

protected:
    void relayout();

    std::string text_;
    std::string face_ = "Arial";
    int size_ = 12, weight_ = 400, tracking_ = 0;
    uint32_t colour_ = 0xFF000000u;
    bool autoSize_;
    bool fontChanged_ = true;
    float boxWidth_, boxHeight_;
    TextLayout layout_ = TextLayout::kCentred;
    ytFontCache* font_ = nullptr;
    ytRectF extent_;
    ytMatrix laidOutFor_;
    bool laidOut_ = false;
};

// One editable line: a click gives it the keyboard focus; characters are typed at the caret,
// Backspace and Delete remove, the arrows, Home and End move the caret. Each change sends a
// ValueChanged event.
class ytTextEditNode : public ytTextNode {
public:
    ytTextEditNode(float boxWidth, float boxHeight);
    size_t caret() const { return caret_; }
    void SetCaret(size_t caret);
    intptr_t HandleKey(uint32_t message, uintptr_t key) override;
    intptr_t HandleEvent(ytMouseEvent& event) override;
    bool Focusable() const override { return true; }
    void Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) override;

private:
    size_t caret_ = 0;
};

// The window's tooltip (registered as "tooltip"): shown with the text a button gives it, near
// the pointer, on a pale box; hidden when the pointer leaves the button. Records when its text
// last changed (toolkit clock).
class ytToolTip : public ytTextNode {
public:
    ytToolTip();
    // Shows `text` for `owner` with its top-left corner near (x, y) in the tooltip's parent.
    void ShowTip(const std::string& text, ytDrawNode* owner, float x, float y);
    // Hides the tip when `owner` (null: anyone) shows it.
    void HideTip(ytDrawNode* owner);
    ytDrawNode* owner() const { return owner_; }
    double changedAt() const { return changedAt_; }
    void Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) override;
    ytRectF BoundsIn(const ytMatrix& matrix) const override;
    bool HitTest(float, float) const override { return false; }

private:
    ytDrawNode* owner_ = nullptr;  // not counted: the owner hides its tip before it goes
    double changedAt_ = 0;
};

// Shows the frames per second of its document (counted over the last second) as text.
class ytFPSNode : public ytTextNode {
public:
    ytFPSNode();
    void Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) override;
    void Update() override;
    double fps() const { return fps_; }

private:
    double windowStart_ = -1;
    int frames_ = 0;
    double fps_ = 0;
};

}  // namespace yt
