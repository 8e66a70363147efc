#include "toolkit/EditUI.h"

#include "toolkit/PaintManager.h"

namespace SkinUI {

bool CEditUI::Activate() {
  if (!CControlUI::Activate() || !GetManager()) return false;
  GetManager()->BeginEdit(this);
  return true;
}

void CEditUI::DoEvent(UIEvent& event) {
  if (event.type == EventType::ButtonUp && IsEnabled() && pos_.Contains(event.x, event.y)) {
    Activate();
    return;
  }
  if (event.type == EventType::MouseMove) return;
  CLabelUI::DoEvent(event);
}

void CEditUI::PaintBorder(ICanvas& canvas) {
  uint32_t c = (IsFocused() || editing_ || hot_) ? 0xFF000001 : (GetBorderColor() ? GetBorderColor() : 0xFFD0D5DC);
  canvas.DrawBorder(pos_, Resolve(c), 1, GetBorderRound());
}

void CEditUI::PaintText(ICanvas& canvas) {
  // While the native edit is up, it draws the text itself.
  if (!editing_) CLabelUI::PaintText(canvas);
}

}  // namespace SkinUI
