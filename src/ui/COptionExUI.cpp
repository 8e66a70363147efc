#include "ui/COptionExUI.h"

SkinUI::CControlUI* COptionExUI::GetInterface(const std::string& name) {
  return name == "OptionEx" ? this : COptionUI::GetInterface(name);
}

void COptionExUI::SetAttribute(const std::string& name, const std::wstring& value) {
  if (name == "colorround") colorRound_ = SkinUI::ParseInt(value);
  COptionUI::SetAttribute(name, value);
}

void COptionExUI::PaintBkColor(SkinUI::ICanvas& canvas) {
  if (GetGroup() == kIndicatorGroup && !IsSelected()) {
    if (GetBkColor() >> 24) canvas.FillRect(pos_.Deflate(SkinUI::Rect(5, 0, 5, 0)), Resolve(GetBkColor()), colorRound_);
    return;
  }
  COptionUI::PaintBkColor(canvas);
}

void COptionExUI::PaintBorder(SkinUI::ICanvas& canvas) {
  COptionUI::PaintBorder(canvas);
  if (GetName() != L"install_setting") return;
  const float r = static_cast<float>(pos_.right), t = static_cast<float>(pos_.top);
  // The chevron sits centred on the text line.
  const float dy = static_cast<float>(pos_.Height()) / 2.0f - 8.5f;
  uint32_t color = Resolve(GetTextColor());
  if (IsSelected())
    canvas.DrawLines({{r - 13, t + dy + 11}, {r - 8, t + dy + 6}, {r - 3, t + dy + 11}}, color, 1.5f,
                     SkinUI::LineCap::Round, true);
  else
    canvas.DrawLines({{r - 13, t + dy + 6}, {r - 8, t + dy + 11}, {r - 3, t + dy + 6}}, color, 1.5f,
                     SkinUI::LineCap::Round, true);
}
