// ytBitmap: a premultiplied 32-bit image (alpha in the top byte, then red, green, blue) with its
// width, height and origin. The toolkit counts the bytes of all live bitmaps and their peak.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace yt {

class ytBitmap {
public:
    ytBitmap() = default;
    ytBitmap(int width, int height, int originX = 0, int originY = 0);
    ytBitmap(const ytBitmap& other);
    ytBitmap& operator=(const ytBitmap& other);
    // Moves take the pixels over without copying; the source is left empty.
    ytBitmap(ytBitmap&& other) noexcept;
    ytBitmap& operator=(ytBitmap&& other) noexcept;
    ~ytBitmap();

    int width() const { return width_; }
    int height() const { return height_; }
    int originX() const { return originX_; }
    int originY() const { return originY_; }
    void setOrigin(int x, int y) { originX_ = x, originY_ = y; }
    bool empty() const { return pixels_.empty(); }

    uint32_t* pixels() { return pixels_.data(); }
    const uint32_t* pixels() const { return pixels_.data(); }
    uint32_t* row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
    const uint32_t* row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
    uint32_t at(int x, int y) const { return row(y)[x]; }

private:
    void count(int sign) const;

    int width_ = 0, height_ = 0, originX_ = 0, originY_ = 0;
    std::vector<uint32_t> pixels_;
};

}  // namespace yt
