#include "toolkit/bitmap.h"

#include <utility>

#include "toolkit/toolkit.h"

namespace yt {

ytBitmap::ytBitmap(int width, int height, int originX, int originY)
    : width_(width > 0 && height > 0 ? width : 0),
      height_(width > 0 && height > 0 ? height : 0),
      originX_(originX),
      originY_(originY),
      pixels_(static_cast<size_t>(width_) * height_, 0u) {
    count(1);
}

ytBitmap::ytBitmap(const ytBitmap& other)
    : width_(other.width_),
      height_(other.height_),
      originX_(other.originX_),
      originY_(other.originY_),
      pixels_(other.pixels_) {
    count(1);
}

ytBitmap& ytBitmap::operator=(const ytBitmap& other) {
    if (this != &other) {
        count(-1);
        width_ = other.width_, height_ = other.height_;
        originX_ = other.originX_, originY_ = other.originY_;
        pixels_ = other.pixels_;
        count(1);
    }
    return *this;
}

ytBitmap::ytBitmap(ytBitmap&& other) noexcept
    : width_(other.width_),
      height_(other.height_),
      originX_(other.originX_),
      originY_(other.originY_),
      pixels_(std::move(other.pixels_)) {
    other.pixels_.clear();
    other.width_ = other.height_ = 0;
}

ytBitmap& ytBitmap::operator=(ytBitmap&& other) noexcept {
    if (this != &other) {
        count(-1);
        width_ = other.width_, height_ = other.height_;
        originX_ = other.originX_, originY_ = other.originY_;
        pixels_ = std::move(other.pixels_);
        other.pixels_.clear();
        other.width_ = other.height_ = 0;
    }
    return *this;
}

ytBitmap::~ytBitmap() {
    count(-1);
}

void ytBitmap::count(int sign) const {
    if (!pixels_.empty())
        CountBitmapBytes(sign * static_cast<int64_t>(pixels_.size() * sizeof(uint32_t)));
}

}  // namespace yt
