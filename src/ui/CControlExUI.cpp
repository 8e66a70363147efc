#include "ui/CControlExUI.h"

SkinUI::CControlUI* CControlExUI::GetInterface(const std::string& name) {
  return name == "ControlEx" ? this : CControlUI::GetInterface(name);
}

void CControlExUI::PaintBorder(SkinUI::ICanvas& canvas) {
  CControlUI::PaintBorder(canvas);
  const float l = static_cast<float>(pos_.left), t = static_cast<float>(pos_.top);
  const float r = static_cast<float>(pos_.right), b = static_cast<float>(pos_.bottom);
  const uint32_t color = Resolve(GetBorderColor());
  if (GetName() == L"logo_install_ok") {
    canvas.DrawLines({{l + 25.0f, t + 42.0f}, {l + 38.0f, b - 27.08f}, {r - 23.5f, t + 26.5f}}, color, 6.0f,
                     SkinUI::LineCap::Square, false);
  } else if (GetName() == L"logo_install_fail") {
    canvas.DrawLines({{l + 25.83f, t + 25.83f}, {r - 25.83f, b - 25.83f}}, color, 6.0f, SkinUI::LineCap::Square, false);
    canvas.DrawLines({{r - 25.83f, t + 25.83f}, {l + 25.83f, b - 25.83f}}, color, 6.0f, SkinUI::LineCap::Square, false);
  }
}
