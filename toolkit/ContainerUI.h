// Layout classes. A plain container gives every child its inner rectangle
// (fixed sizes anchored top-left); vertical and horizontal layouts stack the
// children and share the free space among those without a fixed size; a tab
// layout shows one child at a time. Floating children sit at their "pos"
// relative to the container's inner rectangle.
#pragma once
#include "toolkit/Control.h"

namespace SkinUI {

class CContainerUI : public CControlUI {
 public:
  explicit CContainerUI(std::string cls = "Container") : CControlUI(std::move(cls)) {}
  void SetAttribute(const std::string& name, const std::wstring& value) override;
  void SetPos(const Rect& rc) override;
  int GetChildPadding() const { return childPadding_; }

 protected:
  Rect Inner() const { return pos_.Deflate(GetInset()); }
  void PlaceFloat(CControlUI& child, const Rect& inner);
  int childPadding_ = 0;
};

class CVerticalLayoutUI : public CContainerUI {
 public:
  CVerticalLayoutUI() : CContainerUI("VerticalLayout") {}
  void SetPos(const Rect& rc) override;
};

class CHorizontalLayoutUI : public CContainerUI {
 public:
  CHorizontalLayoutUI() : CContainerUI("HorizontalLayout") {}
  void SetPos(const Rect& rc) override;
};

class CTabLayoutUI : public CContainerUI {
 public:
  CTabLayoutUI() : CContainerUI("TabLayout") {}
  void SetAttribute(const std::string& name, const std::wstring& value) override;
  void SetPos(const Rect& rc) override;
  int GetCurSel() const { return curSel_; }
  bool SelectItem(int index);
  CControlUI* FindControlAt(int x, int y) override;
  void DoPaint(ICanvas& canvas, const Rect& dirty) override;

 private:
  int curSel_ = 0;
};

}  // namespace SkinUI
