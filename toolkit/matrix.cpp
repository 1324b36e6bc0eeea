#include "toolkit/matrix.h"

#include <algorithm>
#include <cmath>

namespace yt {

ytRectF ytRectF::Union(const ytRectF& o) const {
    if (o.empty()) return *this;
    if (empty()) return o;
    return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
            std::max(bottom, o.bottom)};
}

ytMatrix ytMatrix::Translation(float x, float y) {
    ytMatrix t;
    t.m[0][2] = x;
    t.m[1][2] = y;
    t.identity = x == 0 && y == 0;
    return t;
}

ytMatrix ytMatrix::operator*(const ytMatrix& o) const {
    if (identity) return o;
    if (o.identity) return *this;
    ytMatrix r;
    for (int i = 0; i < 2; ++i) {
        r.m[i][0] = m[i][0] * o.m[0][0] + m[i][1] * o.m[1][0];
        r.m[i][1] = m[i][0] * o.m[0][1] + m[i][1] * o.m[1][1];
        r.m[i][2] = m[i][0] * o.m[0][2] + m[i][1] * o.m[1][2] + m[i][2];
    }
    r.identity = false;
    return r;
}

ytPointF ytMatrix::Map(float x, float y) const {
    if (identity) return {x, y};
    return {m[0][0] * x + m[0][1] * y + m[0][2], m[1][0] * x + m[1][1] * y + m[1][2]};
}

ytMatrix ytMatrix::Inverse() const {
    if (identity) return {};
    const double det = double(m[0][0]) * m[1][1] - double(m[0][1]) * m[1][0];
    if (det == 0 || !std::isfinite(det)) return {};
    ytMatrix r;
    r.identity = false;
    r.m[0][0] = float(m[1][1] / det);
    r.m[0][1] = float(-m[0][1] / det);
    r.m[1][0] = float(-m[1][0] / det);
    r.m[1][1] = float(m[0][0] / det);
    r.m[0][2] = float((double(m[0][1]) * m[1][2] - double(m[1][1]) * m[0][2]) / det);
    r.m[1][2] = float((double(m[1][0]) * m[0][2] - double(m[0][0]) * m[1][2]) / det);
    return r;
}

ytRectF ytMatrix::MapBounds(const ytRectF& r) const {
    if (r.empty()) return {};
    if (identity) return r;
    const ytPointF p[4] = {Map(r.left, r.top), Map(r.right, r.top), Map(r.left, r.bottom),
                           Map(r.right, r.bottom)};
    ytRectF b{p[0].x, p[0].y, p[0].x, p[0].y};
    for (const ytPointF& q : p) {
        b.left = std::min(b.left, q.x), b.right = std::max(b.right, q.x);
        b.top = std::min(b.top, q.y), b.bottom = std::max(b.bottom, q.y);
    }
    return b;
}

}  // namespace yt
