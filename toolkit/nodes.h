// The drawing node kinds without text: backgrounds, bitmaps (plain, tiled, background,
// decorated), colour rectangles (rounded corners, border, drop shadow), circles, the selection
// rectangle, and the window-track and window-shadow nodes.
//
// Contents
//   1. colour nodes: ytColorRectNode, ytColorCircleNode, ytBGNode
//   2. bitmap nodes: ytBitmapNode, ytTiledBitmapNode, ytBGBitmapNode, ytDecRectNode
//   3. ytSelectionNode
//   4. window nodes: ytWinTrackNode, ytWinShadowNode
#pragma once

#include <cstdint>

#include "toolkit/bitmap.h"
#include "toolkit/draw_node.h"

namespace yt {

// A drop shadow: black at `opacity` (0 to 1) fading out over `radius` pixels around the shape,
// moved by (dx, dy).
struct ytShadow {
    float radius = 3.0f;
    float opacity = 0.3f;
    float dx = 1.0f, dy = 1.0f;
};

// ---- 1. colour nodes ----------------------------------------------------------------------------

// A rectangle of one premultiplied colour, optionally with rounded corners, a border drawn as
// nested one-pixel outlines (each one pixel further in) and a drop shadow.
class ytColorRectNode : public ytDrawNode {
public:
    ytColorRectNode(float width, float height, uint32_t colour);

    void SetSize(float width, float height);
    float width() const { return width_; }
    float height() const { return height_; }
    void SetColour(uint32_t colour);
    uint32_t colour() const { return colour_; }
    void SetCornerRadius(float radius);
    float cornerRadius() const { return radius_; }
    void SetBorder(int width, uint32_t colour);
    int borderWidth() const { return borderWidth_; }
    void SetShadow(const ytShadow& shadow);
    void ClearShadow();
    bool hasShadow() const { return hasShadow_; }
    const ytShadow& shadow() const { return shadow_; }

    ytRectF BoundsIn(const ytMatrix& matrix) const override;
    // The rectangle itself (the shadow's reach left out), for placement.
    ytRectF LocalBounds() const override;
    void Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) override;
    bool HitTest(float x, float y) const override;
    // A colour rectangle answers a press as handled (it swallows the click).
    int32_t Press(bool byUser) override;

    // The coverage (0 to 256) of pixel (px, py) of a width x height rectangle with corner
    // radius r, inset by `inset` pixels on every side: the pixel's centre against the rounded
    // shape, with a one-pixel linear edge on the curves.
    static int32_t Coverage(float px, float py, float width, float height, float r, float inset);

protected:
    // The shape's own pixels (with the shadow's reach when there is one).
    ytRectF shapeBounds() const;
    void drawShape(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip, bool ellipse);

    float width_, height_;
    uint32_t colour_;
    float radius_ = 0;
    int borderWidth_ = 0;
    uint32_t borderColour_ = 0;
    bool hasShadow_ = false;
    ytShadow shadow_;
};

// An ellipse filling its rectangle.
class ytColorCircleNode : public ytColorRectNode {
public:
    ytColorCircleNode(float width, float height, uint32_t colour);
    void Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) override;
    bool HitTest(float x, float y) const override;
};

// A solid background over the node's clip rectangle (the root's: the client area) or its size.
class ytBGNode : public ytColorRectNode {
public:
    explicit ytBGNode(uint32_t colour, float width = 0, float height = 0);
    ytRectF BoundsIn(const ytMatrix& matrix) const override;
    void Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) override;
};

// ---- 2. bitmap nodes ----------------------------------------------------------------------------

// A premultiplied bitmap with its top-left corner at the node's origin. Drawn at the rounded
// position when the matrix only moves (copied when use-alpha is off at full opacity, else
// blended); any other matrix goes through the bilinear sampler. Multiply mode darkens what lies
// below. A drop shadow, when on, is drawn first from the bitmap's alpha.
class ytBitmapNode : public ytDrawNode {
public:
    ytBitmapNode() = default;
    explicit ytBitmapNode(ytBitmap bitmap);

    void SetBitmap(ytBitmap bitmap);
    const ytBitmap& bitmap() const { return bitmap_; }
    void SetMultiply(bool on);
    bool multiply() const { return multiply_; }
    // "useshadow": a shadow of radius 3, opacity 0.3, offset (1, 1) unless given.
    void SetShadow(bool on, const ytShadow& shadow = ytShadow());
    bool hasShadow() const { return hasShadow_; }

    ytRectF BoundsIn(const ytMatrix& matrix) const override;
    void Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) override;
    bool HitTest(float x, float y) const override;

protected:
    // Draws `bitmap` at `opacity` under the entry's matrix.
    void drawBitmap(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip,
                    const ytBitmap& bitmap, float offsetX, float offsetY, int opacity);
    const ytBitmap& shadowImage();

    ytBitmap bitmap_;
    bool multiply_ = false;
    bool hasShadow_ = false;
    ytShadow shadow_;
    ytBitmap shadowImage_;  // made from the bitmap, kept until it changes
    bool shadowValid_ = false;
};

// The bitmap repeated over the node's size (or its clip rectangle when clipping).
class ytTiledBitmapNode : public ytBitmapNode {
public:
    ytTiledBitmapNode(ytBitmap tile, float width, float height);
    void SetSize(float width, float height);
    ytRectF BoundsIn(const ytMatrix& matrix) const override;
    void Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) override;
    bool HitTest(float x, float y) const override;

private:
    float width_, height_;
};

// A window's background picture: copied (no blending) at its place.
class ytBGBitmapNode : public ytBitmapNode {
public:
    explicit ytBGBitmapNode(ytBitmap bitmap);
    void Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) override;
};

// A decorated rectangle: the bitmap's corners kept, its middle row and column stretched so the
// picture fills the node's size (a frame that grows with its rectangle).
class ytDecRectNode : public ytBitmapNode {
public:
    ytDecRectNode(ytBitmap decoration, float width, float height);
    void SetSize(float width, float height);
    float width() const { return width_; }
    float height() const { return height_; }
    ytRectF BoundsIn(const ytMatrix& matrix) const override;
    void Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) override;
    bool HitTest(float x, float y) const override;

private:
    void rebuild();
    float width_, height_;
    ytBitmap built_;
    bool builtValid_ = false;
};

// ---- 3. ytSelectionNode -------------------------------------------------------------------------

// A rectangle the user drags out inside the node. While dragging it sends the notice
// "selectiondrag", on release "selectiondone". In edit mode a drag that starts inside the
// selection moves it. The selection is drawn in the node's colour with a one-pixel outline;
// negative mode fills the rest of the node with its colour.
class ytSelectionNode : public ytDrawNode {
public:
    ytSelectionNode(float width, float height, uint32_t colour);
    void SetSelection(const ytRectF& selection);
    const ytRectF& selection() const { return selection_; }
    void SetEditMode(bool on) { editMode_ = on; }
    void SetNegativeColour(uint32_t colour);

    ytRectF BoundsIn(const ytMatrix& matrix) const override;
    void Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) override;
    bool HitTest(float x, float y) const override;
    intptr_t HandleEvent(ytMouseEvent& event) override;

private:
    float width_, height_;
    uint32_t colour_;
    uint32_t negative_ = 0;
    bool negativeMode_ = false;
    bool editMode_ = false;
    ytRectF selection_;
    bool selecting_ = false, moving_ = false;
    float startX_ = 0, startY_ = 0;
    ytRectF startSelection_;
};

// ---- 4. window nodes ----------------------------------------------------------------------------

// Marks where a platform child window (the web view) sits: its rectangle in window pixels is
// kept current each frame for the window host. It draws nothing and takes no clicks.
class ytWinTrackNode : public ytDrawNode {
public:
    ytWinTrackNode(float width, float height);
    ytRectF BoundsIn(const ytMatrix& matrix) const override;
    bool HitTest(float, float) const override { return false; }
    void Update() override;
    // The tracked rectangle in window pixels, and whether it changed since the last call.
    ytRect TrackedRect() const { return tracked_; }
    bool TakeChanged();
    int32_t Press(bool byUser) override;

private:
    float width_, height_;
    ytRect tracked_;
    bool changed_ = true;
};

// A soft shadow under a rectangle of the node's size (a popup's own shadow): black at the
// shadow's opacity, moved by its offset, fading over its radius.
class ytWinShadowNode : public ytDrawNode {
public:
    ytWinShadowNode(float width, float height, const ytShadow& shadow);
    ytRectF BoundsIn(const ytMatrix& matrix) const override;
    ytRectF LocalBounds() const override;
    void Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) override;
    bool HitTest(float, float) const override { return false; }
    int32_t Press(bool byUser) override;

private:
    float width_, height_;
    ytShadow shadow_;
};

// Draws the shadow of a width x height shape (rounded by `radius`) at (originX, originY) in
// window pixels, clipped; shared by the shadowed nodes.
// Draws `bitmap` (its top-left corner at (offsetX, offsetY) in node coordinates) under `world`
// inside `clip`: placed at the rounded position when the matrix only moves (copied, blended or
// multiplied), else through the bilinear sampler.
enum class BitmapMode { kBlend, kCopy, kMultiply };
void DrawBitmapAt(ytBitmap& target, const ytMatrix& world, const ytRect& clip,
                  const ytBitmap& bitmap, float offsetX, float offsetY, int opacity,
                  BitmapMode mode);
// The pixels a rectangle covers under a matrix, rounded outwards.
ytRect PixelBounds(const ytRectF& rect);

void DrawRectShadow(ytBitmap& target, const ytRect& clip, float originX, float originY, float width,
                    float height, float cornerRadius, const ytShadow& shadow, int opacity);

}  // namespace yt
