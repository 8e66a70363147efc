#include "toolkit/ComboUI.h"

#include <algorithm>

#include "toolkit/Bidi.h"
#include "toolkit/PaintManager.h"

namespace SkinUI {

namespace {
constexpr unsigned kKeyUp = 0x26, kKeyDown = 0x28, kKeyReturn = 0x0D, kKeyEscape = 0x1B;
}

CComboUI::CComboUI() : CLabelUI("Combo") { textPadding_ = Rect(10, 0, 28, 0); }

void CComboUI::SetAttribute(const std::string& name, const std::wstring& value) {
  if (name == "selectedid" || name == "cursel") curSel_ = ParseInt(value, -1);
  CLabelUI::SetAttribute(name, value);
}

std::wstring CComboUI::ItemText(int i) const {
  CControlUI* item = GetItemAt(static_cast<size_t>(i));
  return item ? item->GetText() : std::wstring();
}

std::wstring CComboUI::ItemUserData(int i) const {
  CControlUI* item = GetItemAt(static_cast<size_t>(i));
  return item ? item->GetAttribute("userdata") : std::wstring();
}

std::wstring CComboUI::GetText() const {
  if (curSel_ >= 0 && curSel_ < ItemCount()) return ItemText(curSel_);
  return CLabelUI::GetText();
}

bool CComboUI::SelectItem(int index, bool notify) {
  if (index < -1 || index >= ItemCount()) return false;
  if (index == curSel_) return true;
  int old = curSel_;
  curSel_ = index;
  Invalidate();
  if (notify && GetManager())
    GetManager()->SendNotify(this, L"itemselect", static_cast<uintptr_t>(index), old);
  return true;
}

void CComboUI::SetPos(const Rect& rc) { CControlUI::SetPos(rc); }

// Items are not part of the window's surface: only the list shows them.
CControlUI* CComboUI::FindControlAt(int x, int y) {
  return IsVisible() && pos_.Contains(x, y) ? this : nullptr;
}

void CComboUI::DoPaint(ICanvas& canvas, const Rect& dirty) {
  if (!IsVisible() || pos_.Empty() || pos_.Intersect(dirty).Empty()) return;
  PaintBkColor(canvas);
  PaintBkImage(canvas);
  PaintStatusImage(canvas);
  PaintText(canvas);
  PaintBorder(canvas);
}

void CComboUI::PaintBorder(ICanvas& canvas) {
  uint32_t c = (open_ || hot_ || IsFocused()) ? 0xFF000001 : (GetBorderColor() ? GetBorderColor() : 0xFFD0D5DC);
  canvas.DrawBorder(pos_, Resolve(c), 1, GetBorderRound());
}

void CComboUI::PaintStatusImage(ICanvas& canvas) {
  std::wstring image = hot_ && HasAttribute("hotimage") ? GetAttribute("hotimage") : GetAttribute("normalimage");
  // A combo picture brings its own arrow; without one it is drawn.
  if (!image.empty() && DrawImage(canvas, image)) return;
  float r = static_cast<float>(pos_.right) - 14.0f;
  float cy = static_cast<float>(pos_.top + pos_.bottom) / 2.0f;
  float d = open_ ? -1.0f : 1.0f;
  canvas.DrawLines({{r - 5.0f, cy - 2.5f * d}, {r, cy + 2.5f * d}, {r + 5.0f, cy - 2.5f * d}},
                   Resolve(0xFF5F6B7A), 1.5f, LineCap::Round, true);
}

int CComboUI::ItemHeight() const {
  CControlUI* first = GetItemAt(0);
  int h = first ? first->GetFixedHeight() : 0;
  return h > 0 ? h : 28;
}

Rect CComboUI::ListRect() const {
  int rows = std::min(ItemCount(), kVisibleItems);
  int h = rows * ItemHeight() + 2;
  Rect client = GetManager() ? GetManager()->ClientRect() : Rect(0, 0, 10000, 10000);
  // Below the box when it fits, else above it.
  if (pos_.bottom + 2 + h <= client.bottom || pos_.top - 2 - h < client.top)
    return Rect(pos_.left, pos_.bottom + 2, pos_.right, pos_.bottom + 2 + h);
  return Rect(pos_.left, pos_.top - 2 - h, pos_.right, pos_.top - 2);
}

void CComboUI::EnsureVisible(int index) {
  if (index < 0) return;
  if (index < top_) top_ = index;
  if (index >= top_ + kVisibleItems) top_ = index - kVisibleItems + 1;
  top_ = std::max(0, std::min(top_, ItemCount() - std::min(ItemCount(), kVisibleItems)));
}

bool CComboUI::Activate() {
  if (!CControlUI::Activate() || !GetManager() || ItemCount() == 0) return false;
  if (open_) {
    Close();
    return true;
  }
  open_ = true;
  hotItem_ = curSel_;
  EnsureVisible(curSel_);
  GetManager()->SetOverlay(this);
  Invalidate();
  return true;
}

void CComboUI::Close() {
  if (!open_) return;
  open_ = false;
  hotItem_ = -1;
  if (GetManager()) GetManager()->SetOverlay(nullptr);
  Invalidate();
}

void CComboUI::PaintList(ICanvas& canvas) {
  if (!open_) return;
  Rect list = ListRect();
  canvas.FillRect(list.Offset(0, 2), 0x22000000, 6);  // soft shadow
  canvas.FillRect(list, 0xFFFFFFFF, 6);
  canvas.DrawBorder(list, 0xFFD0D5DC, 1, 6);
  int h = ItemHeight();
  FontSpec font = ResolveFont(GetFont());
  canvas.PushClip(list);
  for (int i = top_; i < ItemCount() && i < top_ + kVisibleItems; ++i) {
    Rect row(list.left + 1, list.top + 1 + (i - top_) * h, list.right - 1, list.top + 1 + (i - top_ + 1) * h);
    if (i == hotItem_) canvas.FillRect(row, Resolve(0x1F000001), 4);
    uint32_t color = i == curSel_ ? Resolve(0xFF000001) : 0xFF333333;
    DrawTextInOrder(canvas, ItemText(i), row.Deflate(Rect(10, 0, 10, 0)), font, color,
                    kTextLeft | kTextVCenter | kTextSingleLine | kTextEndEllipsis);
  }
  if (ItemCount() > kVisibleItems) {
    // A thin scroll thumb.
    int track = list.Height() - 8;
    int thumb = std::max(16, track * kVisibleItems / ItemCount());
    int y = list.top + 4 + (track - thumb) * top_ / std::max(1, ItemCount() - kVisibleItems);
    canvas.FillRect(Rect(list.right - 6, y, list.right - 3, y + thumb), 0x55000000, 1);
  }
  canvas.PopClip();
}

bool CComboUI::ListEvent(UIEvent& event) {
  if (!open_) return false;
  Rect list = ListRect();
  int h = ItemHeight();
  auto itemAt = [&](int y) {
    int i = top_ + (y - list.top - 1) / h;
    return i < ItemCount() ? i : -1;
  };
  switch (event.type) {
    case EventType::MouseMove:
      if (!list.Contains(event.x, event.y)) return false;
      if (itemAt(event.y) != hotItem_) {
        hotItem_ = itemAt(event.y);
        Invalidate();
      }
      return true;
    case EventType::ScrollWheel:
      top_ -= event.wheel * 3;
      EnsureVisible(top_);
      Invalidate();
      return true;
    case EventType::ButtonDown:
      return list.Contains(event.x, event.y);
    case EventType::ButtonUp:
      if (!list.Contains(event.x, event.y)) return false;
      {
        int i = itemAt(event.y);
        Close();
        if (i >= 0) SelectItem(i);
      }
      return true;
    case EventType::KeyDown:
      if (event.key == kKeyEscape) {
        Close();
        return true;
      }
      if (event.key == kKeyReturn) {
        int i = hotItem_;
        Close();
        if (i >= 0) SelectItem(i);
        return true;
      }
      if (event.key == kKeyUp || event.key == kKeyDown) {
        hotItem_ = std::max(0, std::min(ItemCount() - 1, hotItem_ + (event.key == kKeyDown ? 1 : -1)));
        EnsureVisible(hotItem_);
        Invalidate();
        return true;
      }
      return false;
    default:
      return false;
  }
}

void CComboUI::DoEvent(UIEvent& event) {
  if (!IsEnabled()) {
    CControlUI::DoEvent(event);
    return;
  }
  switch (event.type) {
    case EventType::ButtonUp:
      if (pos_.Contains(event.x, event.y)) Activate();
      return;
    case EventType::KeyDown:
      // Closed: the arrows move the selection directly.
      if (event.key == kKeyUp && curSel_ > 0) SelectItem(curSel_ - 1);
      else if (event.key == kKeyDown && curSel_ + 1 < ItemCount()) SelectItem(curSel_ + 1);
      return;
    case EventType::ScrollWheel:
      return;
    case EventType::KillFocus:
      Close();
      break;
    default:
      break;
  }
  CLabelUI::DoEvent(event);
}

}  // namespace SkinUI
