// Geometry shared by every layer: whole device pixels, measured from the client area's top-left.
#pragma once

namespace vcl {

struct Point {
    int x = 0;
    int y = 0;
};

struct Rect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;

    bool Empty() const { return w <= 0 || h <= 0; }
    bool Contains(Point p) const { return p.x >= x && p.y >= y && p.x < x + w && p.y < y + h; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The overlap of two rectangles; empty when they do not meet.
inline Rect Intersect(const Rect& a, const Rect& b) {
    int left = a.x > b.x ? a.x : b.x;
    int top = a.y > b.y ? a.y : b.y;
    int right = (a.x + a.w) < (b.x + b.w) ? a.x + a.w : b.x + b.w;
    int bottom = (a.y + a.h) < (b.y + b.h) ? a.y + a.h : b.y + b.h;
    if (right <= left || bottom <= top) return {};
    return {left, top, right - left, bottom - top};
}

// The smallest rectangle holding both; an empty side does not count.
inline Rect Union(const Rect& a, const Rect& b) {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    int left = a.x < b.x ? a.x : b.x;
    int top = a.y < b.y ? a.y : b.y;
    int right = (a.x + a.w) > (b.x + b.w) ? a.x + a.w : b.x + b.w;
    int bottom = (a.y + a.h) > (b.y + b.h) ? a.y + a.h : b.y + b.h;
    return {left, top, right - left, bottom - top};
}

}  // namespace vcl
