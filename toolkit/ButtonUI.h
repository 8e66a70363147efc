// Button: state images (normal, hot, pushed, disabled, focused), state
// colours for image-free rounded buttons, an optional fore image (icon).
// A click sends the "click" notification.
#pragma once
#include "toolkit/LabelUI.h"

namespace SkinUI {

class CButtonUI : public CLabelUI {
 public:
  explicit CButtonUI(std::string cls = "Button") : CLabelUI(std::move(cls)) {
    CControlUI::SetAttribute("align", L"center");
  }
  void SetAttribute(const std::string& name, const std::wstring& value) override;
  bool IsFocusable() const override { return IsEnabled(); }
  bool IsInteractive() const override { return true; }
  bool Activate() override;
  void DoEvent(UIEvent& event) override;
  void PaintBkColor(ICanvas& canvas) override;
  void PaintStatusImage(ICanvas& canvas) override;
  void PaintText(ICanvas& canvas) override;
  void PaintBorder(ICanvas& canvas) override;
  bool IsHot() const { return hot_; }
  bool IsPushed() const { return pushed_; }

 protected:
  uint32_t hotBkColor_ = 0, pushedBkColor_ = 0, disabledBkColor_ = 0;
  uint32_t hotTextColor_ = 0, pushedTextColor_ = 0;
};

}  // namespace SkinUI
