// ytMatrix: a 2-D affine transform as a 3 x 3 single-precision matrix (the last row 0 0 1) with
// a flag that says it is the identity, so the common untransformed case costs nothing.
#pragma once

namespace yt {

struct ytPointF {
    float x = 0, y = 0;
};

// A rectangle in continuous coordinates: [left, right) x [top, bottom). Empty when
// right <= left or bottom <= top.
struct ytRectF {
    float left = 0, top = 0, right = 0, bottom = 0;
    bool empty() const { return !(right > left && bottom > top); }
    float width() const { return right - left; }
    float height() const { return bottom - top; }
    // The smallest rectangle holding both; an empty side is ignored.
    ytRectF Union(const ytRectF& o) const;
    bool Contains(float x, float y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
    bool operator==(const ytRectF&) const = default;
};

struct ytMatrix {
    // Row-major: x' = m[0][0] x + m[0][1] y + m[0][2], y' = m[1][0] x + m[1][1] y + m[1][2].
    float m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    bool identity = true;

    static ytMatrix Identity() { return {}; }
    static ytMatrix Translation(float x, float y);
    // this x other: `other` is applied first.
    ytMatrix operator*(const ytMatrix& other) const;
    ytPointF Map(float x, float y) const;
    // The inverse; the identity when the matrix cannot be inverted.
    ytMatrix Inverse() const;
    // True when the matrix only moves (no scale, rotation or shear).
    bool IsTranslation() const {
        return identity || (m[0][0] == 1 && m[0][1] == 0 && m[1][0] == 0 && m[1][1] == 1);
    }
    // The axis-aligned bounds of a rectangle under the matrix (empty stays empty).
    ytRectF MapBounds(const ytRectF& r) const;
};

}  // namespace yt
