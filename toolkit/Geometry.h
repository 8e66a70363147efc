// Rectangles, sizes and the attribute text forms of the layouts
// ("l,t,r,b", "w,h", "#AARRGGBB").
#pragma once
#include <cstdint>
#include <string>

namespace SkinUI {

struct Size {
  int cx = 0, cy = 0;
};

struct PointF {
  float x = 0, y = 0;
};

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  Rect() = default;
  Rect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  // Inner rectangle: each edge moved in by the matching field of m.
  Rect Deflate(const Rect& m) const { return Rect(left + m.left, top + m.top, right - m.right, bottom - m.bottom); }
  Rect Offset(int dx, int dy) const { return Rect(left + dx, top + dy, right + dx, bottom + dy); }
  Rect Intersect(const Rect& o) const;
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

// "a,b,c,d" with up to four integers; missing ones stay 0. False when no number.
bool ParseRect(const std::wstring& text, Rect& out);
bool ParseSize(const std::wstring& text, Size& out);
int ParseInt(const std::wstring& text, int def = 0);
bool ParseBool(const std::wstring& text);
// "#AARRGGBB", "#RRGGBB" (opaque) or "0xAARRGGBB". False when not a colour.
bool ParseColor(const std::wstring& text, uint32_t& argb);

}  // namespace SkinUI
