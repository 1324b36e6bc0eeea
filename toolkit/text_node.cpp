// Text nodes: plain and boxed text, the editable line, the tooltip and the frame counter.
#include "toolkit/text_node.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/messages.h"
#include "toolkit/bitmap.h"
#include "toolkit/bitmap_ops.h"
#include "toolkit/draw_ui.h"
#include "toolkit/font_cache.h"
#include "toolkit/nodes.h"
#include "toolkit/toolkit.h"

namespace yt {

// ---- ytTextNode
// -----------------------------------------------------------------------------------

ytTextNode::ytTextNode(const std::string& text, float boxWidth, float boxHeight)
    : text_(text),
      autoSize_(!(boxWidth > 0 && boxHeight > 0)),
      boxWidth_(boxWidth),
      boxHeight_(boxHeight) {
    relayout();
}

void ytTextNode::SetText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    fontChanged_ = true;
    relayout();
}

void ytTextNode::SetFontName(const std::string& face) {
    if (face == face_) return;
    face_ = face;
    fontChanged_ = true;
    font_ = nullptr;
    relayout();
}
void ytTextNode::SetFontSize(int size) {
    if (size == size_ || size <= 0) return;
    size_ = size;
    fontChanged_ = true;
    font_ = nullptr;
    relayout();
}
void ytTextNode::SetFontWeight(int weight) {
    if (weight == weight_) return;
    weight_ = weight;
    fontChanged_ = true;
    font_ = nullptr;
    relayout();
}
void ytTextNode::SetTracking(int pixels) {
    if (pixels == tracking_) return;
    tracking_ = pixels;
    fontChanged_ = true;
    relayout();
}
void ytTextNode::SetColour(uint32_t colour) {
    if (colour == colour_) return;
    colour_ = colour;
    MarkDirty(kDirtyContent);
}
void ytTextNode::SetAutoSize(bool on) {
    if (on == autoSize_) return;
    autoSize_ = on;
    relayout();
}
void ytTextNode::SetBox(float width, float height) {
    boxWidth_ = width, boxHeight_ = height;
    autoSize_ = !(width > 0 && height > 0);
    relayout();
}
void ytTextNode::SetLayout(TextLayout layout) {
    if (layout == layout_) return;
    layout_ = layout;
    MarkDirty(kDirtyContent);
}

ytFontCache* ytTextNode::Font() {
    if (!font_) font_ = ytFontCache::GetFont(face_, size_, weight_, false);
    return font_;
}

// The extent: the text's own line without a box, else the box. Recomputed after a change of
// text or font only.
void ytTextNode::relayout() {
    ytRectF now;
    if (!autoSize_) {
        now = ytRectF{0, 0, boxWidth_, boxHeight_};
    } else if (ytFontCache* f = Font()) {
        now = ytRectF{0, 0, float(f->Measure(text_, tracking_)), float(f->lineHeight())};
    }
    fontChanged_ = false;
    if (!(now == extent_)) {
        extent_ = now;
        MarkDirty(kDirtyAll);
    } else {
        MarkDirty(kDirtyContent);
    }
}

ytRectF ytTextNode::TextExtent() {
    if (fontChanged_) relayout();
    return extent_;
}

ytRectF ytTextNode::BoundsIn(const ytMatrix& matrix) const {
    if (clipping()) return ytDrawNode::BoundsIn(matrix);
    return matrix.MapBounds(extent_);
}

bool ytTextNode::HitTest(float x, float y) const {
    return extent_.Contains(x, y);
}

namespace {

// Draws the text of a node into `target` with its extent's top-left corner at (x, y).
void drawText(ytFontCache& font, ytBitmap& target, int x, int y, const ytRectF& extent,
              bool autoSize, TextLayout layout, const std::string& text, uint32_t colour,
              int tracking, const ytRect& clip) {
    if (autoSize) {
        font.Draw(target, x, y, text, colour, tracking, &clip);
        return;
    }
    const ytRect box{x, y, x + int(std::lround(extent.width())),
                     y + int(std::lround(extent.height()))};
    font.DrawInBox(target, box, text, colour,
                   layout == TextLayout::kWrapTopLeft ? ytFontCache::BoxLayout::kWrapTopLeft
                                                      : ytFontCache::BoxLayout::kCentred,
                   tracking, &clip);
}

}  // namespace

void ytTextNode::Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) {
    ytFontCache* font = Font();
    if (!font || text_.empty()) return;
    const int op = entry.Effective();
    if (op <= 0) return;
    const uint32_t colour = pixels::Scale(colour_, op);
    if (entry.world.IsTranslation()) {
        drawText(*font, target, int(std::lround(entry.world.m[0][2])),
                 int(std::lround(entry.world.m[1][2])), extent_, autoSize_, layout_, text_, colour,
                 tracking_, clip);
        return;
    }
    // Turned or scaled text: drawn once upright, then sampled into place.
    const int w = int(std::ceil(extent_.width())), h = int(std::ceil(extent_.height()));
    if (w <= 0 || h <= 0) return;
    ytBitmap upright(w, h);
    drawText(*font, upright, 0, 0, extent_, autoSize_, layout_, text_, colour_, tracking_,
             ytRect{0, 0, w, h});
    DrawBitmapAt(target, entry.world, clip, upright, 0, 0, op, BitmapMode::kBlend);
}

// ---- ytTextEditNode
// -------------------------------------------------------------------------------

namespace {
enum VirtualKey : uintptr_t {
    kVkBack = 0x08,
    kVkEnd = 0x23,
    kVkHome = 0x24,
    kVkLeft = 0x25,
    kVkRight = 0x27,
    kVkDelete = 0x2E,
};
}  // namespace

ytTextEditNode::ytTextEditNode(float boxWidth, float boxHeight)
    : ytTextNode(std::string(), boxWidth, boxHeight) {
    layout_ = TextLayout::kWrapTopLeft;
}

void ytTextEditNode::SetCaret(size_t caret) {
    caret = std::min(caret, text_.size());
    if (caret == caret_) return;
    caret_ = caret;
    MarkDirty(kDirtyContent);
}

intptr_t ytTextEditNode::HandleKey(uint32_t message, uintptr_t key) {
    std::string text = text_;
    size_t caret = std::min(caret_, text.size());
    if (message == base::kWmChar) {
        if (key == kVkBack) {
            if (caret == 0) return base::kHandled;
            text.erase(--caret, 1);
        } else if (key >= 0x20 && key <= 0xFF && key != 0x7F) {
            text.insert(caret++, 1, char(key));
        } else {
            return base::kNotHandled;
        }
    } else if (message == base::kWmKeyDown) {
        switch (key) {
            case kVkLeft:
                caret = caret ? caret - 1 : 0;
                break;
            case kVkRight:
                caret = std::min(caret + 1, text.size());
                break;
            case kVkHome:
                caret = 0;
                break;
            case kVkEnd:
                caret = text.size();
                break;
            case kVkDelete:
                if (caret < text.size()) text.erase(caret, 1);
                break;
            default:
                return base::kNotHandled;
        }
    } else {
        return base::kNotHandled;
    }
    const bool changed = text != text_;
    SetText(text);
    caret_ = caret;
    MarkDirty(kDirtyContent);
    if (changed) SendNotice(ValueChanged);
    return base::kHandled;
}

intptr_t ytTextEditNode::HandleEvent(ytMouseEvent& event) {
    if (event.kind == kMouseHover && HitTest(event.lx, event.ly)) {
        if (event.cursor == CursorKind::kNone) event.cursor = CursorKind::kText;
        return base::kHandled;
    }
    if (event.kind != kMouseDown || !HitTest(event.lx, event.ly)) return base::kNotHandled;
    if (event.document) event.document->SetFocus(this);
    // The caret goes to the character boundary nearest the pointer.
    size_t best = text_.size();
    if (ytFontCache* f = Font()) {
        float bestDistance = 1e30f;
        for (size_t i = 0; i <= text_.size(); ++i) {
            const float x = float(f->Measure(std::string_view(text_).substr(0, i), tracking_));
            const float d = std::fabs(x - event.lx);
            if (d < bestDistance) bestDistance = d, best = i;
        }
    }
    caret_ = best;
    MarkDirty(kDirtyContent);
    return base::kHandled;
}

void ytTextEditNode::Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) {
    ytTextNode::Draw(target, entry, clip);
    const ytDrawUI* doc = document();
    ytFontCache* font = Font();
    if (!font || !doc || doc->focus() != this || !entry.world.IsTranslation()) return;
    const int x =
        int(std::lround(entry.world.m[0][2])) +
        font->Measure(std::string_view(text_).substr(0, std::min(caret_, text_.size())), tracking_);
    const int y = int(std::lround(entry.world.m[1][2]));
    BlendFillRect(target, ytRect{x, y, x + 1, y + font->lineHeight()}, colour_, entry.Effective(),
                  &clip);
}

// ---- ytToolTip
// ------------------------------------------------------------------------------------

namespace {
constexpr float kTipPadding = 4;
constexpr uint32_t kTipBackground = 0xFFFFFFE1u;
constexpr uint32_t kTipBorder = 0xFF767676u;
}  // namespace

ytToolTip::ytToolTip() : ytTextNode(std::string()) {
    Hide();
}

void ytToolTip::ShowTip(const std::string& text, ytDrawNode* owner, float x, float y) {
    if (text != text_) changedAt_ = Clock();
    owner_ = owner;
    SetText(text);
    SetPosition(std::round(x), std::round(y));
    Show();
}

void ytToolTip::HideTip(ytDrawNode* owner) {
    if (owner && owner != owner_) return;
    owner_ = nullptr;
    Hide();
}

ytRectF ytToolTip::BoundsIn(const ytMatrix& matrix) const {
    const ytRectF e = extent_;
    if (e.empty()) return {};
    return matrix.MapBounds(ytRectF{e.left - kTipPadding, e.top - kTipPadding,
                                    e.right + kTipPadding, e.bottom + kTipPadding});
}

void ytToolTip::Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) {
    const ytRect box = PixelBounds(BoundsIn(entry.world));
    const int op = entry.Effective();
    BlendFillRect(target, box, kTipBorder, op, &clip);
    BlendFillRect(target, ytRect{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1},
                  kTipBackground, op, &clip);
    ytTextNode::Draw(target, entry, clip);
}

// ---- ytFPSNode
// ------------------------------------------------------------------------------------

ytFPSNode::ytFPSNode() : ytTextNode("0 fps") {}

void ytFPSNode::Update() {
    ytTextNode::Update();
    const double now = Clock();
    if (windowStart_ < 0) windowStart_ = now;
    ++frames_;
    if (now - windowStart_ >= 1.0) {
        fps_ = frames_ / (now - windowStart_);
        frames_ = 0;
        windowStart_ = now;
        char line[32];
        std::snprintf(line, sizeof line, "%.0f fps", fps_);
        SetText(line);
    }
}

void ytFPSNode::Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) {
    ytTextNode::Draw(target, entry, clip);
}

}  // namespace yt
