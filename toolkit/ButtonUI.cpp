#include "toolkit/ButtonUI.h"

#include "toolkit/Bidi.h"
#include "toolkit/PaintManager.h"

namespace SkinUI {

void CButtonUI::SetAttribute(const std::string& name, const std::wstring& value) {
  if (name == "hotbkcolor") ParseColor(value, hotBkColor_);
  else if (name == "pushedbkcolor") ParseColor(value, pushedBkColor_);
  else if (name == "disabledbkcolor") ParseColor(value, disabledBkColor_);
  else if (name == "hottextcolor") ParseColor(value, hotTextColor_);
  else if (name == "pushedtextcolor") ParseColor(value, pushedTextColor_);
  CLabelUI::SetAttribute(name, value);
}

bool CButtonUI::Activate() {
  if (!CControlUI::Activate()) return false;
  if (GetManager()) GetManager()->SendNotify(this, L"click");
  return true;
}

void CButtonUI::DoEvent(UIEvent& event) {
  if (!IsEnabled() && event.type != EventType::Timer) {
    CControlUI::DoEvent(event);
    return;
  }
  switch (event.type) {
    case EventType::ButtonDown:
      pushed_ = true;
      Invalidate();
      return;
    case EventType::ButtonUp: {
      bool was = pushed_;
      pushed_ = false;
      Invalidate();
      if (was && pos_.Contains(event.x, event.y)) Activate();
      return;
    }
    case EventType::MouseMove:
      if (GetManager()) GetManager()->SetHandCursor(true);
      return;
    default:
      CLabelUI::DoEvent(event);
  }
}

void CButtonUI::PaintBkColor(ICanvas& canvas) {
  uint32_t c = GetBkColor();
  if (!IsEnabled() && disabledBkColor_) c = disabledBkColor_;
  else if (pushed_ && pushedBkColor_) c = pushedBkColor_;
  else if (hot_ && hotBkColor_) c = hotBkColor_;
  if (c >> 24) canvas.FillRect(pos_, Resolve(c), GetBorderRound());
}

void CButtonUI::PaintStatusImage(ICanvas& canvas) {
  std::wstring image = GetAttribute("normalimage");
  if (!IsEnabled() && HasAttribute("disabledimage")) image = GetAttribute("disabledimage");
  else if (pushed_ && HasAttribute("pushedimage")) image = GetAttribute("pushedimage");
  else if (hot_ && HasAttribute("hotimage")) image = GetAttribute("hotimage");
  if (!image.empty()) DrawImage(canvas, image);
  std::wstring fore = GetAttribute("foreimage");
  if (hot_ && HasAttribute("hotforeimage")) fore = GetAttribute("hotforeimage");
  if (!fore.empty()) DrawImage(canvas, fore);
}

void CButtonUI::PaintText(ICanvas& canvas) {
  std::wstring text = GetText();
  if (text.empty()) return;
  uint32_t color = CurrentTextColor();
  if (IsEnabled() && pushed_ && pushedTextColor_) color = Resolve(pushedTextColor_);
  else if (IsEnabled() && hot_ && hotTextColor_) color = Resolve(hotTextColor_);
  DrawTextInOrder(canvas, text, TextRect(), ResolveFont(GetFont()), color, GetTextStyle());
}

void CButtonUI::PaintBorder(ICanvas& canvas) {
  CControlUI::PaintBorder(canvas);
  // The keyboard focus is shown only once the keyboard was used.
  if (IsFocused() && GetManager() && GetManager()->ShowFocusCues()) {
    Rect r = pos_.Deflate(Rect(2, 2, 2, 2));
    canvas.DrawBorder(r, Resolve(0xAA000001), 1, GetBorderRound() > 2 ? GetBorderRound() - 2 : 0);
  }
}

}  // namespace SkinUI
