// Option and CheckBox. Options of one "group" select each other out; a
// checkbox (or an option without group) toggles. Every change sends
// "selectchanged"; a click also sends "click".
#pragma once
#include "toolkit/ButtonUI.h"

namespace SkinUI {

class COptionUI : public CButtonUI {
 public:
  explicit COptionUI(std::string cls = "Option");
  void SetAttribute(const std::string& name, const std::wstring& value) override;
  bool Activate() override;
  bool IsSelected() const { return selected_; }
  // notify false changes the state silently (used by the slide indicators).
  void Selected(bool selected, bool notify = true);
  const std::wstring& GetGroup() const { return group_; }
  void PaintBkColor(ICanvas& canvas) override;
  void PaintStatusImage(ICanvas& canvas) override;
  void PaintText(ICanvas& canvas) override;
  bool IsCheckBox() const { return GetClass() == "CheckBox"; }

 protected:
  std::wstring group_;
  bool selected_ = false;
  uint32_t selectedBkColor_ = 0, selectedTextColor_ = 0;
};

}  // namespace SkinUI
