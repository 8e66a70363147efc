#include "toolkit/OptionUI.h"

#include "toolkit/Bidi.h"
#include "toolkit/PaintManager.h"

namespace SkinUI {

namespace {
constexpr int kBoxSize = 16;  // the drawn check box when there is no image
}

COptionUI::COptionUI(std::string cls) : CButtonUI(std::move(cls)) {
  if (IsCheckBox()) {
    CControlUI::SetAttribute("align", L"left");
    textPadding_ = Rect(kBoxSize + 8, 0, 0, 0);
  }
}

void COptionUI::SetAttribute(const std::string& name, const std::wstring& value) {
  if (name == "group") group_ = value;
  else if (name == "selected") selected_ = ParseBool(value);
  else if (name == "selectedbkcolor") ParseColor(value, selectedBkColor_);
  else if (name == "selectedtextcolor") ParseColor(value, selectedTextColor_);
  CButtonUI::SetAttribute(name, value);
}

void COptionUI::Selected(bool selected, bool notify) {
  if (selected_ == selected) return;
  selected_ = selected;
  Invalidate();
  CPaintManagerUI* pm = GetManager();
  if (selected && !group_.empty() && pm) {
    for (COptionUI* other : pm->GetOptionGroup(group_))
      if (other != this && other->IsSelected()) other->Selected(false, notify);
  }
  if (notify && pm) pm->SendNotify(this, L"selectchanged", selected ? 1 : 0);
}

bool COptionUI::Activate() {
  if (!CControlUI::Activate()) return false;
  if (group_.empty()) Selected(!selected_);
  else Selected(true);
  if (GetManager()) GetManager()->SendNotify(this, L"click");
  return true;
}

void COptionUI::PaintBkColor(ICanvas& canvas) {
  if (selected_ && selectedBkColor_) {
    canvas.FillRect(pos_, Resolve(selectedBkColor_), GetBorderRound());
    return;
  }
  CButtonUI::PaintBkColor(canvas);
}

void COptionUI::PaintStatusImage(ICanvas& canvas) {
  std::wstring image;
  if (selected_) {
    image = GetAttribute("selectedimage");
    if (hot_ && HasAttribute("selectedhotimage")) image = GetAttribute("selectedhotimage");
  } else {
    image = GetAttribute("normalimage");
    if (!IsEnabled() && HasAttribute("disabledimage")) image = GetAttribute("disabledimage");
    else if (pushed_ && HasAttribute("pushedimage")) image = GetAttribute("pushedimage");
    else if (hot_ && HasAttribute("hotimage")) image = GetAttribute("hotimage");
  }
  if (!image.empty() && DrawImage(canvas, image)) return;
  if (!IsCheckBox()) return;
  // Drawn box: rounded square, accent filled with a white tick when checked.
  int top = pos_.top + (pos_.Height() - kBoxSize) / 2;
  Rect box(pos_.left + 1, top, pos_.left + 1 + kBoxSize, top + kBoxSize);
  if (selected_) {
    canvas.FillRect(box, Resolve(IsEnabled() ? 0xFF000001 : 0xFFB0B0B0), 4);
    float l = static_cast<float>(box.left), t = static_cast<float>(box.top);
    canvas.DrawLines({{l + 4.0f, t + 8.5f}, {l + 7.0f, t + 11.5f}, {l + 12.5f, t + 5.0f}}, 0xFFFFFFFF, 2.0f,
                     LineCap::Round, true);
  } else {
    canvas.FillRect(box, 0xFFFFFFFF, 4);
    canvas.DrawBorder(box, hot_ ? Resolve(0xFF000001) : 0xFF9AA3AE, 1, 4);
  }
}

void COptionUI::PaintText(ICanvas& canvas) {
  if (selected_ && selectedTextColor_ && !GetText().empty()) {
    DrawTextInOrder(canvas, GetText(), TextRect(), ResolveFont(GetFont()), Resolve(selectedTextColor_),
                    GetTextStyle());
    return;
  }
  CButtonUI::PaintText(canvas);
}

}  // namespace SkinUI
