// Edit: the toolkit paints the text; typing happens in a real edit control
// of the window system that the backend lays over the control while it has
// the focus.
#pragma once
#include "toolkit/LabelUI.h"

namespace SkinUI {

class CEditUI : public CLabelUI {
 public:
  CEditUI() : CLabelUI("Edit") {
    textPadding_ = Rect(8, 0, 8, 0);
    CControlUI::SetAttribute("endellipsis", L"true");
  }
  bool IsFocusable() const override { return IsEnabled(); }
  bool IsInteractive() const override { return true; }
  bool Activate() override;
  void DoEvent(UIEvent& event) override;
  void PaintBorder(ICanvas& canvas) override;
  void PaintText(ICanvas& canvas) override;
  bool IsEditing() const { return editing_; }
  // Called by the paint manager when the native edit starts or ends.
  void SetEditing(bool e) { editing_ = e; Invalidate(); }

 private:
  bool editing_ = false;
};

}  // namespace SkinUI
