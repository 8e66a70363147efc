#include "toolkit/ProgressUI.h"

#include <algorithm>

namespace SkinUI {

void CProgressUI::SetAttribute(const std::string& name, const std::wstring& value) {
  if (name == "min") min_ = ParseInt(value);
  else if (name == "max") max_ = ParseInt(value, 100);
  else if (name == "value") SetValue(ParseInt(value));
  else if (name == "hor") horizontal_ = value != L"false";
  else if (name == "forecolor") ParseColor(value, foreColor_);
  CLabelUI::SetAttribute(name, value);
}

void CProgressUI::SetValue(int v) {
  v = std::max(min_, std::min(max_, v));
  if (v == value_) return;
  value_ = v;
  Invalidate();
}

Rect CProgressUI::FilledRect() const {
  int w = pos_.Width(), h = pos_.Height();
  if (max_ <= min_) return Rect();
  if (horizontal_) return Rect(0, 0, (value_ - min_) * w / (max_ - min_), h);
  return Rect(0, h * (max_ - value_) / (max_ - min_), w, h);
}

void CProgressUI::PaintStatusImage(ICanvas& canvas) {
  Rect f = FilledRect();
  if (f.Empty()) return;
  Rect abs = f.Offset(pos_.left, pos_.top);
  std::wstring fore = GetAttribute("foreimage");
  if (!fore.empty()) {
    canvas.PushClip(abs);
    bool ok = DrawImage(canvas, fore);
    canvas.PopClip();
    if (ok) return;
  }
  canvas.FillRect(abs, Resolve(foreColor_), GetBorderRound());
}

}  // namespace SkinUI
