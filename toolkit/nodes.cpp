// The drawing node kinds without text.
//
// Contents
//   1. shared drawing: bitmaps under a matrix, shadows
//   2. colour nodes
//   3. bitmap nodes
//   4. the selection node
//   5. window nodes
#include "toolkit/nodes.h"

#include <algorithm>
#include <cmath>

#include "base/messages.h"
#include "toolkit/bitmap_ops.h"
#include "toolkit/draw_ui.h"
#include "toolkit/image_scaler.h"

namespace yt {

// ---- 1. shared drawing
// ----------------------------------------------------------------------------

void DrawBitmapAt(ytBitmap& target, const ytMatrix& world, const ytRect& clip,
                  const ytBitmap& bitmap, float offsetX, float offsetY, int opacity,
                  BitmapMode mode) {
    if (bitmap.empty() || opacity <= 0) return;
    const ytMatrix m = world * ytMatrix::Translation(offsetX, offsetY);
    if (m.IsTranslation()) {
        const int x = int(std::lround(m.m[0][2])), y = int(std::lround(m.m[1][2]));
        switch (mode) {
            case BitmapMode::kCopy:
                opacity >= 256 ? CopyBitmap(target, x, y, bitmap, &clip)
                               : BlendBitmap(target, x, y, bitmap, opacity, &clip);
                break;
            case BitmapMode::kMultiply:
                MultiplyBitmap(target, x, y, bitmap, opacity, &clip);
                break;
            case BitmapMode::kBlend:
                BlendBitmap(target, x, y, bitmap, opacity, &clip);
                break;
        }
        return;
    }
    const ytRect area = Intersect(
        PixelBounds(m.MapBounds(ytRectF{0, 0, float(bitmap.width()), float(bitmap.height())})),
        clip);
    if (area.empty()) return;
    const ytMatrix inv = m.Inverse();
    ytSampleMap map;
    map.m00 = inv.m[0][0], map.m01 = inv.m[0][1], map.m02 = inv.m[0][2];
    map.m10 = inv.m[1][0], map.m11 = inv.m[1][1], map.m12 = inv.m[1][2];
    const SampleOp op = mode == BitmapMode::kMultiply                 ? SampleOp::kMultiply
                        : mode == BitmapMode::kCopy && opacity >= 256 ? SampleOp::kCopy
                                                                      : SampleOp::kBlend;
    SampleBilinear(target, area, ytPixels(bitmap), map, op, opacity);
}

namespace {

// Signed distance from a point to a rounded rectangle [0, w] x [0, h] (negative inside).
float roundedDistance(float x, float y, float w, float h, float r) {
    r = std::min({r, w / 2, h / 2});
    const float qx = std::fabs(x - w / 2) - (w / 2 - r);
    const float qy = std::fabs(y - h / 2) - (h / 2 - r);
    const float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - r;
}

}  // namespace

void DrawRectShadow(ytBitmap& target, const ytRect& clip, float originX, float originY, float width,
                    float height, float cornerRadius, const ytShadow& shadow, int opacity) {
    const float reach = std::max(shadow.radius, 0.0f);
    const float left = originX + shadow.dx, top = originY + shadow.dy;
    const ytRect area = Intersect(
        PixelBounds(ytRectF{left - reach, top - reach, left + width + reach, top + height + reach}),
        Intersect(clip, ytRect{0, 0, target.width(), target.height()}));
    const float peak = std::clamp(shadow.opacity, 0.0f, 1.0f) * 255.0f * float(opacity) / 256.0f;
    // Inside the shape by more than the reach the shadow is flat: one fill, skipped below.
    const float in = reach + std::min({cornerRadius, width / 2, height / 2}) + 1;
    const ytRect inner =
        Intersect(ytRect{int(std::ceil(left + in)), int(std::ceil(top + in)),
                         int(std::floor(left + width - in)), int(std::floor(top + height - in))},
                  area);
    if (!inner.empty()) {
        const uint32_t a = uint32_t(std::lround(peak));
        if (a) BlendFillRect(target, inner, a << 24, 256);
    }
    for (int y = area.top; y < area.bottom; ++y) {
        uint32_t* row = target.row(y);
        const bool innerRow = y >= inner.top && y < inner.bottom;
        for (int x = area.left; x < area.right; ++x) {
            if (innerRow && x == inner.left) {
                x = inner.right - 1;
                continue;
            }
            const float d = roundedDistance(float(x) + 0.5f - left, float(y) + 0.5f - top, width,
                                            height, cornerRadius);
            const float t =
                reach > 0 ? std::clamp(0.5f - d / (2 * reach), 0.0f, 1.0f) : (d < 0 ? 1.0f : 0.0f);
            const uint32_t a = uint32_t(std::lround(peak * t));
            if (a) row[x] = pixels::Over(a << 24, row[x]);
        }
    }
}

// ---- 2. colour nodes
// ------------------------------------------------------------------------------

ytColorRectNode::ytColorRectNode(float width, float height, uint32_t colour)
    : width_(width), height_(height), colour_(colour) {}

void ytColorRectNode::SetSize(float width, float height) {
    if (width == width_ && height == height_) return;
    width_ = width, height_ = height;
    MarkDirty(kDirtyAll);
}
void ytColorRectNode::SetColour(uint32_t colour) {
    if (colour == colour_) return;
    colour_ = colour;
    MarkDirty(kDirtyContent);
}
void ytColorRectNode::SetCornerRadius(float radius) {
    if (radius == radius_) return;
    radius_ = std::max(radius, 0.0f);
    MarkDirty(kDirtyContent);
}
void ytColorRectNode::SetBorder(int width, uint32_t colour) {
    borderWidth_ = std::max(width, 0);
    borderColour_ = colour;
    MarkDirty(kDirtyContent);
}
void ytColorRectNode::SetShadow(const ytShadow& shadow) {
    hasShadow_ = true;
    shadow_ = shadow;
    MarkDirty(kDirtyAll);
}
void ytColorRectNode::ClearShadow() {
    if (!hasShadow_) return;
    hasShadow_ = false;
    MarkDirty(kDirtyAll);
}

ytRectF ytColorRectNode::shapeBounds() const {
    ytRectF r{0, 0, width_, height_};
    if (hasShadow_ && !r.empty()) {
        const float reach = std::max(shadow_.radius, 0.0f);
        r = r.Union({shadow_.dx - reach, shadow_.dy - reach, width_ + shadow_.dx + reach,
                     height_ + shadow_.dy + reach});
    }
    return r;
}

ytRectF ytColorRectNode::BoundsIn(const ytMatrix& matrix) const {
    return matrix.MapBounds(shapeBounds());
}

ytRectF ytColorRectNode::LocalBounds() const {
    if (clipping()) return ytDrawNode::LocalBounds();
    return ytRectF{0, 0, width_, height_};
}

int32_t ytColorRectNode::Coverage(float px, float py, float width, float height, float r,
                                  float inset) {
    const float w = width - 2 * inset, h = height - 2 * inset;
    const float x = px - inset, y = py - inset;
    if (!(w > 0 && h > 0) || x < 0 || y < 0 || x >= w || y >= h) return 0;
    const float ri = std::min({std::max(r - inset, 0.0f), w / 2, h / 2});
    if (ri <= 0) return 256;
    const float cx = x < ri ? ri : (x > w - ri ? w - ri : x);
    const float cy = y < ri ? ri : (y > h - ri ? h - ri : y);
    if (cx == x || cy == y) return 256;  // not in a corner square
    const float d = std::hypot(x - cx, y - cy);
    const float c = std::clamp(ri - d + 0.5f, 0.0f, 1.0f);
    return int32_t(std::lround(c * 256));
}

namespace {

// The coverage of an ellipse filling width x height at a point, with a one-pixel edge; none
// outside the rectangle, like the rectangles' pixels.
int32_t ellipseCoverage(float x, float y, float w, float h) {
    const float rx = w / 2, ry = h / 2;
    if (rx <= 0 || ry <= 0 || x < 0 || y < 0 || x >= w || y >= h) return 0;
    const float nx = (x - rx) / rx, ny = (y - ry) / ry;
    const float d = std::sqrt(nx * nx + ny * ny);
    const float inside = (1 - d) * std::min(rx, ry);
    return int32_t(std::lround(std::clamp(inside + 0.5f, 0.0f, 1.0f) * 256));
}

}  // namespace

void ytColorRectNode::drawShape(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip,
                                bool ellipse) {
    const int op = entry.Effective();
    if (op <= 0) return;
    const ytMatrix& m = entry.world;
    if (hasShadow_ && m.IsTranslation())
        DrawRectShadow(target, clip, m.m[0][2], m.m[1][2], width_, height_,
                       ellipse ? std::min(width_, height_) / 2 : radius_, shadow_, op);
    if (!ellipse && radius_ == 0 && borderWidth_ == 0 && m.IsTranslation()) {
        const ytRect area{int(std::lround(m.m[0][2])), int(std::lround(m.m[1][2])),
                          int(std::lround(m.m[0][2] + width_)),
                          int(std::lround(m.m[1][2] + height_))};
        if (!useAlpha() && op >= 256)
            FillRect(target, area, colour_, &clip);
        else if (dither())
            DitherFillRect(target, area, colour_, op, &clip);
        else
            BlendFillRect(target, area, colour_, op, &clip);
        return;
    }
    // Any other shape or matrix: each pixel's centre is brought into node coordinates. With a
    // translation, the part inset by the corner radius and the border is one plain fill (every
    // pixel there is fully covered) and the loop skips it.
    const ytRect area = Intersect(PixelBounds(m.MapBounds(ytRectF{0, 0, width_, height_})), clip);
    const ytMatrix inv = m.Inverse();
    const bool copy = !useAlpha() && op >= 256;
    ytRect inner;
    // For an ellipse: the rectangle 30 % in from each side lies within 0.57 of its radii, so
    // every pixel there is covered once the smaller radius reaches 2 pixels.
    if (m.IsTranslation() && (!ellipse || (borderWidth_ == 0 && std::min(width_, height_) >= 4))) {
        const float inset = std::max(radius_, float(borderWidth_));
        const float ix = ellipse ? width_ * 0.3f : inset;
        const float iy = ellipse ? height_ * 0.3f : inset;
        // Pixels whose centres lie inside the inset rectangle.
        const float l = m.m[0][2] + ix, t = m.m[1][2] + iy;
        const float r = m.m[0][2] + width_ - ix, btm = m.m[1][2] + height_ - iy;
        inner = Intersect(ytRect{int(std::ceil(l - 0.5f)), int(std::ceil(t - 0.5f)),
                                 int(std::ceil(r - 0.5f)), int(std::ceil(btm - 0.5f))},
                          area);
        if (!inner.empty()) {
            if (copy)
                FillRect(target, inner, colour_);
            else
                BlendFillRect(target, inner, colour_, op);
        }
    }
    for (int y = area.top; y < area.bottom; ++y) {
        uint32_t* row = target.row(y);
        const bool innerRow = y >= inner.top && y < inner.bottom;
        for (int x = area.left; x < area.right; ++x) {
            if (innerRow && x == inner.left) {
                x = inner.right - 1;
                continue;
            }
            const ytPointF p = inv.Map(float(x) + 0.5f, float(y) + 0.5f);
            const int32_t outer = ellipse ? ellipseCoverage(p.x, p.y, width_, height_)
                                          : Coverage(p.x, p.y, width_, height_, radius_, 0);
            if (outer == 0) continue;
            const int32_t inner =
                borderWidth_ == 0 ? outer
                : ellipse         ? ellipseCoverage(p.x - borderWidth_, p.y - borderWidth_,
                                                    width_ - 2 * borderWidth_, height_ - 2 * borderWidth_)
                          : Coverage(p.x, p.y, width_, height_, radius_, float(borderWidth_));
            if (inner > 0) {
                if (copy && inner == 256)
                    row[x] = colour_;
                else
                    row[x] = pixels::Over(pixels::Scale(colour_, op * inner / 256), row[x]);
            }
            if (outer > inner)
                row[x] =
                    pixels::Over(pixels::Scale(borderColour_, op * (outer - inner) / 256), row[x]);
        }
    }
}

void ytColorRectNode::Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) {
    drawShape(target, entry, clip, false);
}

bool ytColorRectNode::HitTest(float x, float y) const {
    return Coverage(x, y, width_, height_, radius_, 0) > 0;
}

int32_t ytColorRectNode::Press(bool) {
    return 0;
}

ytColorCircleNode::ytColorCircleNode(float width, float height, uint32_t colour)
    : ytColorRectNode(width, height, colour) {}

void ytColorCircleNode::Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) {
    drawShape(target, entry, clip, true);
}

bool ytColorCircleNode::HitTest(float x, float y) const {
    return ellipseCoverage(x, y, width_, height_) > 0;
}

ytBGNode::ytBGNode(uint32_t colour, float width, float height)
    : ytColorRectNode(width, height, colour) {}

ytRectF ytBGNode::BoundsIn(const ytMatrix& matrix) const {
    if (clipping()) return ytDrawNode::BoundsIn(matrix);
    return matrix.MapBounds(ytRectF{0, 0, width_, height_});
}

void ytBGNode::Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) {
    const int op = entry.Effective();
    const ytRect area = Intersect(PixelBounds(BoundsIn(entry.world)), clip);
    if ((colour_ >> 24) == 255 && op >= 256)
        FillRect(target, area, colour_);
    else
        BlendFillRect(target, area, colour_, op);
}

// ---- 3. bitmap nodes
// ------------------------------------------------------------------------------

ytBitmapNode::ytBitmapNode(ytBitmap bitmap) : bitmap_(std::move(bitmap)) {}

void ytBitmapNode::SetBitmap(ytBitmap bitmap) {
    bitmap_ = std::move(bitmap);
    shadowValid_ = false;
    MarkDirty(kDirtyAll);
}

void ytBitmapNode::SetMultiply(bool on) {
    if (on == multiply_) return;
    multiply_ = on;
    MarkDirty(kDirtyContent);
}

void ytBitmapNode::SetShadow(bool on, const ytShadow& shadow) {
    hasShadow_ = on;
    shadow_ = shadow;
    shadowValid_ = false;
    MarkDirty(kDirtyAll);
}

ytRectF ytBitmapNode::BoundsIn(const ytMatrix& matrix) const {
    ytRectF r{0, 0, float(bitmap_.width()), float(bitmap_.height())};
    if (clipping()) return ytDrawNode::BoundsIn(matrix);
    if (hasShadow_ && !r.empty()) {
        const float reach = std::ceil(std::max(shadow_.radius, 0.0f));
        r = r.Union({shadow_.dx - reach, shadow_.dy - reach, r.right + shadow_.dx + reach,
                     r.bottom + shadow_.dy + reach});
    }
    return matrix.MapBounds(r);
}

bool ytBitmapNode::HitTest(float x, float y) const {
    if (x < 0 || y < 0 || x >= float(bitmap_.width()) || y >= float(bitmap_.height())) return false;
    return true;
}

// The shadow picture: the bitmap's alpha spread by a box filter of the shadow's radius (run
// twice, close to a Gaussian), black, at the shadow's opacity; `reach` pixels larger each side.
const ytBitmap& ytBitmapNode::shadowImage() {
    if (shadowValid_) return shadowImage_;
    const int reach = int(std::ceil(std::max(shadow_.radius, 0.0f)));
    const int w = bitmap_.width() + 2 * reach, h = bitmap_.height() + 2 * reach;
    std::vector<float> a(size_t(w) * h, 0.0f), t(a.size());
    for (int y = 0; y < bitmap_.height(); ++y)
        for (int x = 0; x < bitmap_.width(); ++x)
            a[size_t(y + reach) * w + x + reach] = float(bitmap_.at(x, y) >> 24);
    const int r = std::max(reach / 2, 0);
    for (int pass = 0; pass < 2 && r > 0; ++pass) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float s = 0;
                for (int k = -r; k <= r; ++k)
                    s += a[size_t(y) * w + std::clamp(x + k, 0, w - 1)];
                t[size_t(y) * w + x] = s / float(2 * r + 1);
            }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float s = 0;
                for (int k = -r; k <= r; ++k)
                    s += t[size_t(std::clamp(y + k, 0, h - 1)) * w + x];
                a[size_t(y) * w + x] = s / float(2 * r + 1);
            }
    }
    shadowImage_ = ytBitmap(w, h);
    const float o = std::clamp(shadow_.opacity, 0.0f, 1.0f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            shadowImage_.row(y)[x] = uint32_t(std::lround(a[size_t(y) * w + x] * o)) << 24;
    shadowValid_ = true;
    return shadowImage_;
}

void ytBitmapNode::drawBitmap(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip,
                              const ytBitmap& bitmap, float offsetX, float offsetY, int opacity) {
    const BitmapMode mode = multiply_                      ? BitmapMode::kMultiply
                            : (!useAlpha() && !hasShadow_) ? BitmapMode::kCopy
                                                           : BitmapMode::kBlend;
    DrawBitmapAt(target, entry.world, clip, bitmap, offsetX, offsetY, opacity, mode);
}

void ytBitmapNode::Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) {
    const int op = entry.Effective();
    if (hasShadow_) {
        const float reach = std::ceil(std::max(shadow_.radius, 0.0f));
        DrawBitmapAt(target, entry.world, clip, shadowImage(), shadow_.dx - reach,
                     shadow_.dy - reach, op, BitmapMode::kBlend);
    }
    drawBitmap(target, entry, clip, bitmap_, 0, 0, op);
}

ytTiledBitmapNode::ytTiledBitmapNode(ytBitmap tile, float width, float height)
    : ytBitmapNode(std::move(tile)), width_(width), height_(height) {}

void ytTiledBitmapNode::SetSize(float width, float height) {
    if (width == width_ && height == height_) return;
    width_ = width, height_ = height;
    MarkDirty(kDirtyAll);
}

ytRectF ytTiledBitmapNode::BoundsIn(const ytMatrix& matrix) const {
    if (clipping()) return ytDrawNode::BoundsIn(matrix);
    return matrix.MapBounds(ytRectF{0, 0, width_, height_});
}

bool ytTiledBitmapNode::HitTest(float x, float y) const {
    return LocalBounds().Contains(x, y);
}

void ytTiledBitmapNode::Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) {
    if (bitmap_.empty()) return;
    const ytRectF area = LocalBounds();
    const ytRect inside = Intersect(PixelBounds(entry.world.MapBounds(area)), clip);
    const int op = entry.Effective();
    const float tw = float(bitmap_.width()), th = float(bitmap_.height());
    for (float y = area.top; y < area.bottom; y += th)
        for (float x = area.left; x < area.right; x += tw)
            drawBitmap(target, entry, inside, bitmap_, x, y, op);
}

ytBGBitmapNode::ytBGBitmapNode(ytBitmap bitmap) : ytBitmapNode(std::move(bitmap)) {}

void ytBGBitmapNode::Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) {
    const int op = entry.Effective();
    DrawBitmapAt(target, entry.world, clip, bitmap_, 0, 0, op,
                 multiply_ ? BitmapMode::kMultiply : BitmapMode::kCopy);
}

ytDecRectNode::ytDecRectNode(ytBitmap decoration, float width, float height)
    : ytBitmapNode(std::move(decoration)), width_(width), height_(height) {}

void ytDecRectNode::SetSize(float width, float height) {
    if (width == width_ && height == height_) return;
    width_ = width, height_ = height;
    builtValid_ = false;
    MarkDirty(kDirtyAll);
}

ytRectF ytDecRectNode::BoundsIn(const ytMatrix& matrix) const {
    if (clipping()) return ytDrawNode::BoundsIn(matrix);
    return matrix.MapBounds(ytRectF{0, 0, width_, height_});
}

bool ytDecRectNode::HitTest(float x, float y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_;
}

// The decoration's left and top parts up to its middle pixel, and its right and bottom parts
// after it, kept; the middle column and row repeated to fill the size.
void ytDecRectNode::rebuild() {
    const int w = std::max(int(std::lround(width_)), 0), h = std::max(int(std::lround(height_)), 0);
    built_ = ytBitmap(w, h);
    builtValid_ = true;
    if (bitmap_.empty() || built_.empty()) return;
    const int sw = bitmap_.width(), sh = bitmap_.height();
    const int cw = (sw - 1) / 2, ch = (sh - 1) / 2;
    const auto source = [](int t, int size, int sourceSize, int mid) {
        if (t < mid) return t;
        const int fromEnd = size - t;  // 1 for the last pixel
        if (fromEnd <= sourceSize - mid - 1) return sourceSize - fromEnd;
        return mid;
    };
    for (int y = 0; y < h; ++y) {
        const int sy = std::min(source(y, h, sh, ch), sh - 1);
        for (int x = 0; x < w; ++x)
            built_.row(y)[x] = bitmap_.at(std::min(source(x, w, sw, cw), sw - 1), sy);
    }
}

void ytDecRectNode::Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) {
    if (!builtValid_ || built_.width() != std::max(int(std::lround(width_)), 0) ||
        built_.height() != std::max(int(std::lround(height_)), 0))
        rebuild();
    drawBitmap(target, entry, clip, built_, 0, 0, entry.Effective());
}

// ---- 4. the selection node
// ------------------------------------------------------------------------

ytSelectionNode::ytSelectionNode(float width, float height, uint32_t colour)
    : width_(width), height_(height), colour_(colour) {}

void ytSelectionNode::SetSelection(const ytRectF& selection) {
    if (selection == selection_) return;
    selection_ = selection;
    MarkDirty(kDirtyContent);
}

void ytSelectionNode::SetNegativeColour(uint32_t colour) {
    negative_ = colour;
    negativeMode_ = true;
    MarkDirty(kDirtyContent);
}

ytRectF ytSelectionNode::BoundsIn(const ytMatrix& matrix) const {
    return matrix.MapBounds(ytRectF{0, 0, width_, height_});
}

bool ytSelectionNode::HitTest(float x, float y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_;
}

void ytSelectionNode::Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) {
    const int op = entry.Effective();
    const ytPointF o = entry.world.Map(0, 0);  // drawn unrotated at its place
    const ytRect node = PixelBounds(ytRectF{o.x, o.y, o.x + width_, o.y + height_});
    const ytRect sel = selection_.empty()
                           ? ytRect{}
                           : PixelBounds(ytRectF{o.x + selection_.left, o.y + selection_.top,
                                                 o.x + selection_.right, o.y + selection_.bottom});
    if (negativeMode_) {
        const ytRect parts[4] = {
            {node.left, node.top, node.right, sel.empty() ? node.bottom : sel.top},
            {node.left, sel.bottom, node.right, node.bottom},
            {node.left, sel.top, sel.left, sel.bottom},
            {sel.right, sel.top, node.right, sel.bottom}};
        for (int i = 0; i < (sel.empty() ? 1 : 4); ++i)
            BlendFillRect(target, Intersect(parts[i], node), negative_, op, &clip);
    }
    if (sel.empty()) return;
    BlendFillRect(target, sel, colour_, op, &clip);
    // The outline: the colour made opaque.
    const uint32_t a = colour_ >> 24;
    uint32_t line = 0xFF000000u;
    for (int sh = 0; sh < 24 && a; sh += 8)
        line |= std::min(((colour_ >> sh) & 255) * 255 / a, 255u) << sh;
    const ytRect edges[4] = {{sel.left, sel.top, sel.right, sel.top + 1},
                             {sel.left, sel.bottom - 1, sel.right, sel.bottom},
                             {sel.left, sel.top, sel.left + 1, sel.bottom},
                             {sel.right - 1, sel.top, sel.right, sel.bottom}};
    for (const ytRect& e : edges)
        BlendFillRect(target, e, line, op, &clip);
}

intptr_t ytSelectionNode::HandleEvent(ytMouseEvent& event) {
    const float x = std::clamp(event.lx, 0.0f, width_), y = std::clamp(event.ly, 0.0f, height_);
    switch (event.kind) {
        case kMouseDown:
            if (!HitTest(event.lx, event.ly)) return base::kNotHandled;
            startX_ = x, startY_ = y;
            moving_ = editMode_ && selection_.Contains(x, y);
            selecting_ = !moving_;
            startSelection_ = selection_;
            if (selecting_) SetSelection(ytRectF{x, y, x, y});
            return base::kHandled;
        case kMouseDrag:
            if (!selecting_ && !moving_) return base::kNotHandled;
            if (selecting_) {
                SetSelection(ytRectF{std::min(x, startX_), std::min(y, startY_),
                                     std::max(x, startX_), std::max(y, startY_)});
            } else {
                const float dx =
                    std::clamp(x - startX_, -startSelection_.left, width_ - startSelection_.right);
                const float dy =
                    std::clamp(y - startY_, -startSelection_.top, height_ - startSelection_.bottom);
                SetSelection(ytRectF{startSelection_.left + dx, startSelection_.top + dy,
                                     startSelection_.right + dx, startSelection_.bottom + dy});
            }
            SendNotice(NamedNotice, "selectiondrag");
            return base::kHandled;
        case kMouseUp:
            if (!selecting_ && !moving_) return base::kNotHandled;
            selecting_ = moving_ = false;
            SendNotice(NamedNotice, "selectiondone");
            return base::kHandled;
        default:
            return base::kNotHandled;
    }
}

// ---- 5. window nodes
// ------------------------------------------------------------------------------

ytWinTrackNode::ytWinTrackNode(float width, float height) : width_(width), height_(height) {}

ytRectF ytWinTrackNode::BoundsIn(const ytMatrix& matrix) const {
    return matrix.MapBounds(ytRectF{0, 0, width_, height_});
}

void ytWinTrackNode::Update() {
    ytDrawNode::Update();
    const ytRect now = PixelBounds(BoundsIn(worldMatrix()));
    if (!(now == tracked_)) tracked_ = now, changed_ = true;
}

bool ytWinTrackNode::TakeChanged() {
    const bool was = changed_;
    changed_ = false;
    return was;
}

int32_t ytWinTrackNode::Press(bool) {
    return 0;
}

ytWinShadowNode::ytWinShadowNode(float width, float height, const ytShadow& shadow)
    : width_(width), height_(height), shadow_(shadow) {}

ytRectF ytWinShadowNode::BoundsIn(const ytMatrix& matrix) const {
    const float reach = std::max(shadow_.radius, 0.0f);
    return matrix.MapBounds(ytRectF{0, 0, width_, height_}.Union(
        {shadow_.dx - reach, shadow_.dy - reach, width_ + shadow_.dx + reach,
         height_ + shadow_.dy + reach}));
}

ytRectF ytWinShadowNode::LocalBounds() const {
    if (clipping()) return ytDrawNode::LocalBounds();
    return ytRectF{0, 0, width_, height_};
}

void ytWinShadowNode::Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) {
    const ytPointF o = entry.world.Map(0, 0);
    DrawRectShadow(target, clip, o.x, o.y, width_, height_, 0, shadow_, entry.Effective());
}

int32_t ytWinShadowNode::Press(bool) {
    return 0;
}

}  // namespace yt
