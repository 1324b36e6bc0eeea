#include "toolkit/bicubic_node.h"

#include <cmath>

#include "toolkit/draw_ui.h"

namespace yt {

ytBicubicNode::ytBicubicNode(float width, float height) : width_(width), height_(height) {}

ytBicubicNode::ytBicubicNode(ytBitmap layer)
    : width_(static_cast<float>(layer.width())), height_(static_cast<float>(layer.height())) {
    scaler_.SetSource(std::move(layer));
}

ytBicubicNode::~ytBicubicNode() {
    // The worker may still be making a picture for this node.
    scaler_.StopWorker(5000);
}

void ytBicubicNode::SetSize(float width, float height) {
    if (width == width_ && height == height_) return;
    width_ = width, height_ = height;
    MarkDirty(kDirtyAll);
}

void ytBicubicNode::Update() {
    ytBitmapNode::Update();
    // Only a placed node (not a root, with a parent) with a rectangle has a size on screen.
    if (isRoot() || !parent() || width_ <= 0 || height_ <= 0) return;
    const ytRectF onScreen =
        clipping()
            ? worldMatrix().MapBounds(ytRectF{float(clipRect().left), float(clipRect().top),
                                              float(clipRect().right), float(clipRect().bottom)})
            : worldMatrix().MapBounds(ytRectF{0, 0, width_, height_});
    const int w = static_cast<int>(std::lround(onScreen.width()));
    const int h = static_cast<int>(std::lround(onScreen.height()));
    scaler_.Update(w, h, *this);
}

ytRectF ytBicubicNode::BoundsIn(const ytMatrix& matrix) const {
    if (clipping()) return ytDrawNode::BoundsIn(matrix);
    return matrix.MapBounds(ytRectF{0, 0, width_, height_});
}

bool ytBicubicNode::HitTest(float x, float y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_;
}

void ytBicubicNode::Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) {
    const ytBitmap& picture = scaler_.scaled();
    if (picture.empty()) return;
    const ytMatrix& m = entry.world;
    const ytRectF box = m.MapBounds(ytRectF{0, 0, width_, height_});
    if (m.identity || (m.m[0][1] == 0 && m.m[1][0] == 0)) {
        // Moved and scaled only: the picture made for this size, placed on whole pixels.
        scaler_.Draw(target, clip, static_cast<int>(std::lround(box.left)),
                     static_cast<int>(std::lround(box.top)),
                     static_cast<int>(std::lround(box.width())),
                     static_cast<int>(std::lround(box.height())), entry.Effective());
        return;
    }
    // Rotated or sheared: the picture, scaled back to node pixels, through the sampler.
    const int bw = scaler_.scaledForWidth(), bh = scaler_.scaledForHeight();
    if (bw <= 0 || bh <= 0) return;
    ytMatrix toNode;
    toNode.m[0][0] = width_ / float(bw);
    toNode.m[1][1] = height_ / float(bh);
    toNode.identity = false;
    const ytFit& fit = scaler_.fit();
    DrawBitmapAt(target, m * toNode, clip, picture, float(std::max(fit.x, 0)),
                 float(std::max(fit.y, 0)), entry.Effective(), BitmapMode::kBlend);
}

void ytBicubicNode::SendNamedNotice(const char* text) {
    SendNotice(NamedNotice, text);
}

void ytBicubicNode::MarkPictureDirty() {
    MarkDirty(kDirtyAll);
}

void ytBicubicNode::LockDocument() {
    if (ytDrawUI* d = document()) d->Lock();
}

void ytBicubicNode::UnlockDocument() {
    if (ytDrawUI* d = document()) d->Unlock();
}

}  // namespace yt
