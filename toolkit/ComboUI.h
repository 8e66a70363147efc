// Combo: a closed box showing the selected item; a click opens the item
// list drawn over the window (at most kVisibleItems rows, the wheel scrolls).
// Items are its "ListLabelElement" children with text and "userdata".
// Choosing an item sends "itemselect" (wParam new index, lParam old one).
#pragma once
#include "toolkit/LabelUI.h"

namespace SkinUI {

class CComboUI : public CLabelUI {
 public:
  static constexpr int kVisibleItems = 8;
  CComboUI();
  void SetAttribute(const std::string& name, const std::wstring& value) override;
  bool IsFocusable() const override { return IsEnabled(); }
  bool IsInteractive() const override { return true; }
  bool Activate() override;
  void DoEvent(UIEvent& event) override;
  std::wstring GetText() const override;
  void SetPos(const Rect& rc) override;
  CControlUI* FindControlAt(int x, int y) override;
  void DoPaint(ICanvas& canvas, const Rect& dirty) override;
  void PaintBorder(ICanvas& canvas) override;
  void PaintStatusImage(ICanvas& canvas) override;

  int GetCurSel() const { return curSel_; }
  int ItemCount() const { return static_cast<int>(GetCount()); }
  std::wstring ItemText(int i) const;
  std::wstring ItemUserData(int i) const;
  bool SelectItem(int index, bool notify = true);

  // The open list, painted and hit-tested by the paint manager above all else.
  bool IsOpen() const { return open_; }
  void Close();
  Rect ListRect() const;
  int ItemHeight() const;
  void PaintList(ICanvas& canvas);
  // True when the event was inside the open list.
  bool ListEvent(UIEvent& event);

 private:
  void EnsureVisible(int index);
  int curSel_ = -1;
  bool open_ = false;
  int top_ = 0;      // first item shown in the list
  int hotItem_ = -1;
};

}  // namespace SkinUI
