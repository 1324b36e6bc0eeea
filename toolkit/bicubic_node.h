// ytBicubicNode: a picture scaled smoothly into the node's rectangle. The picture comes from the
// node's artwork layer, a JPEG file, JPEG data in memory, or an image provider; it is resampled
// once for its size on screen (on a worker when background scaling is on, which the node
// announces with the notices "BicubicBeginThread" and "BicubicEndThread") and drawn from its
// mipmap while the size changes. The picture work itself is ytBicubicScaler's.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/bicubic_scaler.h"
#include "toolkit/nodes.h"

namespace yt {

class ytBicubicNode : public ytBitmapNode, private ytScalerHost {
public:
    // A node of the given rectangle (node pixels) with no picture yet.
    ytBicubicNode(float width, float height);
    // A node showing an artwork layer's pixels in the layer's own rectangle.
    explicit ytBicubicNode(ytBitmap layer);
    ~ytBicubicNode() override;

    void SetSize(float width, float height);
    float width() const { return width_; }
    float height() const { return height_; }

    void SetSource(ytBitmap bitmap) { scaler_.SetSource(std::move(bitmap)); }
    void SetFile(const std::string& path) { scaler_.SetFile(path); }
    void SetMemory(const uint8_t* data, size_t length) { scaler_.SetMemory(data, length); }
    void SetProvider(ytImageProvider* provider, int32_t imageNumber) {
        scaler_.SetProvider(provider, imageNumber);
    }
    void SetImageNumber(int32_t imageNumber) { scaler_.SetImageNumber(imageNumber); }
    void SetBackgroundScaling(float value) { scaler_.SetBackgroundScaling(value); }
    void SetCropToFit(bool on) { scaler_.SetCropToFit(on); }
    void SetScaleClamp(float clamp) { scaler_.SetScaleClamp(clamp); }
    const ytBicubicScaler& scaler() const { return scaler_; }
    ytBicubicScaler& scaler() { return scaler_; }

    // The frame's update: placement, then the picture for the size on screen.
    void Update() override;
    ytRectF BoundsIn(const ytMatrix& matrix) const override;
    void Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip) override;
    bool HitTest(float x, float y) const override;

private:
    void SendNamedNotice(const char* text) override;
    void MarkPictureDirty() override;
    void LockDocument() override;
    void UnlockDocument() override;

    float width_, height_;
    ytBicubicScaler scaler_;
};

}  // namespace yt
