#include "toolkit/Geometry.h"

#include <algorithm>
#include <cwchar>

namespace SkinUI {

Rect Rect::Intersect(const Rect& o) const {
  Rect r(std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom));
  if (r.Empty()) return Rect();
  return r;
}

namespace {
// Reads up to n comma-separated integers; answers how many were read.
int ReadInts(const std::wstring& text, int* out, int n) {
  const wchar_t* p = text.c_str();
  int count = 0;
  while (*p && count < n) {
    while (*p == L' ' || *p == L',') ++p;
    if (!*p) break;
    wchar_t* end = nullptr;
    long v = std::wcstol(p, &end, 10);
    if (end == p) break;
    out[count++] = static_cast<int>(v);
    p = end;
  }
  return count;
}
}  // namespace

bool ParseRect(const std::wstring& text, Rect& out) {
  int v[4] = {0, 0, 0, 0};
  if (ReadInts(text, v, 4) == 0) return false;
  out = Rect(v[0], v[1], v[2], v[3]);
  return true;
}

bool ParseSize(const std::wstring& text, Size& out) {
  int v[2] = {0, 0};
  if (ReadInts(text, v, 2) == 0) return false;
  out.cx = v[0];
  out.cy = v[1];
  return true;
}

int ParseInt(const std::wstring& text, int def) {
  int v = 0;
  return ReadInts(text, &v, 1) == 1 ? v : def;
}

bool ParseBool(const std::wstring& text) { return text == L"true" || text == L"1"; }

bool ParseColor(const std::wstring& text, uint32_t& argb) {
  std::wstring t = text;
  if (!t.empty() && t[0] == L'#') t = t.substr(1);
  else if (t.size() > 2 && t[0] == L'0' && (t[1] == L'x' || t[1] == L'X')) t = t.substr(2);
  else return false;
  if (t.size() != 6 && t.size() != 8) return false;
  uint32_t v = 0;
  for (wchar_t c : t) {
    int d;
    if (c >= L'0' && c <= L'9') d = c - L'0';
    else if (c >= L'a' && c <= L'f') d = c - L'a' + 10;
    else if (c >= L'A' && c <= L'F') d = c - L'A' + 10;
    else return false;
    v = v * 16 + static_cast<uint32_t>(d);
  }
  argb = t.size() == 6 ? (0xFF000000u | v) : v;
  return true;
}

}  // namespace SkinUI
