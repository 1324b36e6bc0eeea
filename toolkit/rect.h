// ytRect: a rectangle in pixels, right and bottom exclusive.
#pragma once

#include <cstdint>

namespace yt {

struct ytRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;

    // Width and height, 0 when the rectangle is empty or inverted.
    int64_t width() const { return right > left ? int64_t{right} - left : 0; }
    int64_t height() const { return bottom > top ? int64_t{bottom} - top : 0; }
    bool empty() const { return width() == 0 || height() == 0; }
    bool operator==(const ytRect&) const = default;
};

}  // namespace yt
