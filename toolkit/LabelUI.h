// Label and Text: a text with padding, alignment and, with "showhtml", the
// mark-up of Markup.h with clickable links ("link" notification, wParam =
// the link number).
#pragma once
#include <utility>
#include <vector>

#include "toolkit/Control.h"

namespace SkinUI {

class CLabelUI : public CControlUI {
 public:
  explicit CLabelUI(std::string cls = "Label");
  void SetAttribute(const std::string& name, const std::wstring& value) override;
  void PaintText(ICanvas& canvas) override;
  void DoEvent(UIEvent& event) override;
  bool IsInteractive() const override { return !linkRects_.empty(); }
  // Link number at a point after the last painting; -1 when none.
  int LinkAt(int x, int y) const;
  const std::vector<std::pair<int, Rect>>& LinkRects() const { return linkRects_; }
  Rect TextRect() const { return pos_.Deflate(textPadding_); }
  uint32_t CurrentTextColor() const;

 protected:
  FontSpec ResolveFont(int id) const;
  Rect textPadding_;
  bool showHtml_ = false;
  uint32_t disabledTextColor_ = 0xFFA0A0A0;
  uint32_t linkColor_ = 0xFF000001;  // the accent
  int hotLink_ = -1;
  std::vector<std::pair<int, Rect>> linkRects_;
};

}  // namespace SkinUI
