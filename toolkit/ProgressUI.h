// Progress bar: a track (bkimage or bkcolor) and the filled part (foreimage,
// or a rounded bar of "forecolor", the accent by default).
#pragma once
#include "toolkit/LabelUI.h"

namespace SkinUI {

class CProgressUI : public CLabelUI {
 public:
  explicit CProgressUI(std::string cls = "Progress") : CLabelUI(std::move(cls)) {}
  void SetAttribute(const std::string& name, const std::wstring& value) override;
  int GetValue() const { return value_; }
  int GetMinValue() const { return min_; }
  int GetMaxValue() const { return max_; }
  void SetValue(int v);
  bool IsHorizontal() const { return horizontal_; }
  // The filled part, relative to the control's top-left corner.
  Rect FilledRect() const;
  void PaintStatusImage(ICanvas& canvas) override;

 protected:
  int min_ = 0, max_ = 100, value_ = 0;
  bool horizontal_ = true;
  uint32_t foreColor_ = 0xFF000001;
};

}  // namespace SkinUI
