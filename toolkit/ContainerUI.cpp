#include "toolkit/ContainerUI.h"

#include <algorithm>

namespace SkinUI {

void CContainerUI::SetAttribute(const std::string& name, const std::wstring& value) {
  if (name == "childpadding") childPadding_ = ParseInt(value);
  CControlUI::SetAttribute(name, value);
}

void CContainerUI::PlaceFloat(CControlUI& child, const Rect& inner) {
  Rect fp = child.GetFloatPos();
  int w = child.GetFixedWidth() ? child.GetFixedWidth() : fp.right - fp.left;
  int h = child.GetFixedHeight() ? child.GetFixedHeight() : fp.bottom - fp.top;
  child.SetPos(Rect(inner.left + fp.left, inner.top + fp.top, inner.left + fp.left + w, inner.top + fp.top + h));
}

void CContainerUI::SetPos(const Rect& rc) {
  CControlUI::SetPos(rc);
  Rect inner = Inner();
  for (auto& c : children_) {
    if (!c->IsVisible()) continue;
    if (c->IsFloat()) {
      PlaceFloat(*c, inner);
      continue;
    }
    Rect r = inner.Deflate(c->GetPadding());
    if (c->GetFixedWidth()) r.right = r.left + c->GetFixedWidth();
    if (c->GetFixedHeight()) r.bottom = r.top + c->GetFixedHeight();
    c->SetPos(r);
  }
}

void CVerticalLayoutUI::SetPos(const Rect& rc) {
  CControlUI::SetPos(rc);
  Rect inner = Inner();
  int fixed = 0, stretch = 0, count = 0;
  for (auto& c : children_) {
    if (!c->IsVisible() || c->IsFloat()) continue;
    fixed += c->GetPadding().top + c->GetPadding().bottom;
    if (c->GetFixedHeight()) fixed += c->GetFixedHeight();
    else ++stretch;
    ++count;
  }
  if (count > 1) fixed += childPadding_ * (count - 1);
  int free = std::max(0, inner.Height() - fixed);
  int share = stretch ? free / stretch : 0;
  int y = inner.top;
  int seen = 0;
  for (auto& c : children_) {
    if (!c->IsVisible()) continue;
    if (c->IsFloat()) {
      PlaceFloat(*c, inner);
      continue;
    }
    const Rect& p = c->GetPadding();
    int h = c->GetFixedHeight();
    if (!h) h = (++seen == stretch) ? std::max(0, free - share * (stretch - 1)) : share;
    int left = inner.left + p.left, right = inner.right - p.right;
    if (c->GetFixedWidth()) {
      // A narrower child is centred only when asked; by default it sits left.
      right = left + c->GetFixedWidth();
    }
    y += p.top;
    c->SetPos(Rect(left, y, right, y + h));
    y += h + p.bottom + childPadding_;
  }
}

void CHorizontalLayoutUI::SetPos(const Rect& rc) {
  CControlUI::SetPos(rc);
  Rect inner = Inner();
  int fixed = 0, stretch = 0, count = 0;
  for (auto& c : children_) {
    if (!c->IsVisible() || c->IsFloat()) continue;
    fixed += c->GetPadding().left + c->GetPadding().right;
    if (c->GetFixedWidth()) fixed += c->GetFixedWidth();
    else ++stretch;
    ++count;
  }
  if (count > 1) fixed += childPadding_ * (count - 1);
  int free = std::max(0, inner.Width() - fixed);
  int share = stretch ? free / stretch : 0;
  int x = inner.left;
  int seen = 0;
  for (auto& c : children_) {
    if (!c->IsVisible()) continue;
    if (c->IsFloat()) {
      PlaceFloat(*c, inner);
      continue;
    }
    const Rect& p = c->GetPadding();
    int w = c->GetFixedWidth();
    if (!w) w = (++seen == stretch) ? std::max(0, free - share * (stretch - 1)) : share;
    int top = inner.top + p.top, bottom = inner.bottom - p.bottom;
    if (c->GetFixedHeight()) {
      // Fixed heights are centred in the row, which is what rows of buttons want.
      int h = c->GetFixedHeight();
      top = inner.top + p.top + (inner.Height() - p.top - p.bottom - h) / 2;
      bottom = top + h;
    }
    x += p.left;
    c->SetPos(Rect(x, top, x + w, bottom));
    x += w + p.right + childPadding_;
  }
}

void CTabLayoutUI::SetAttribute(const std::string& name, const std::wstring& value) {
  if (name == "selectedid") curSel_ = ParseInt(value);
  CContainerUI::SetAttribute(name, value);
}

bool CTabLayoutUI::SelectItem(int index) {
  if (index < 0 || index >= static_cast<int>(children_.size())) return false;
  if (index == curSel_) return true;
  curSel_ = index;
  NeedUpdate();
  return true;
}

namespace {
// Pages not shown have no place on screen, down to their last child, so
// that neither hit tests nor focus reach them.
void ClearPos(CControlUI& c) {
  c.SetPos(Rect());
  for (size_t i = 0; i < c.GetCount(); ++i) ClearPos(*c.GetItemAt(i));
}
}  // namespace

void CTabLayoutUI::SetPos(const Rect& rc) {
  CControlUI::SetPos(rc);
  Rect inner = Inner();
  for (size_t i = 0; i < children_.size(); ++i) {
    CControlUI& c = *children_[i];
    if (static_cast<int>(i) != curSel_ || rc.Empty()) {
      ClearPos(c);
      continue;
    }
    Rect r = inner.Deflate(c.GetPadding());
    if (c.GetFixedWidth()) r.right = r.left + c.GetFixedWidth();
    if (c.GetFixedHeight()) r.bottom = r.top + c.GetFixedHeight();
    c.SetPos(r);
  }
}

CControlUI* CTabLayoutUI::FindControlAt(int x, int y) {
  if (!IsVisible() || !pos_.Contains(x, y)) return nullptr;
  if (CControlUI* page = GetItemAt(static_cast<size_t>(curSel_)))
    if (CControlUI* hit = page->FindControlAt(x, y)) return hit;
  return this;
}

void CTabLayoutUI::DoPaint(ICanvas& canvas, const Rect& dirty) {
  if (!IsVisible() || pos_.Empty()) return;
  PaintBkColor(canvas);
  PaintBkImage(canvas);
  PaintBorder(canvas);
  if (CControlUI* page = GetItemAt(static_cast<size_t>(curSel_))) {
    canvas.PushClip(pos_);
    page->DoPaint(canvas, dirty);
    canvas.PopClip();
  }
}

}  // namespace SkinUI
