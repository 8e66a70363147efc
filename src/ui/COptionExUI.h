// The stub's option: "install_setting" draws a chevron (up when open), and
// the slide indicators of the group "image_play_option" draw a narrow pill
// when not selected and a wide one when selected.
#pragma once
#include "toolkit/OptionUI.h"

class COptionExUI : public SkinUI::COptionUI {
 public:
  static constexpr const wchar_t* kIndicatorGroup = L"image_play_option";
  COptionExUI() : COptionUI("OptionEx") {}
  std::wstring GetClassName() const { return L"OptionExUI"; }
  SkinUI::CControlUI* GetInterface(const std::string& name) override;
  void SetAttribute(const std::string& name, const std::wstring& value) override;
  void PaintBkColor(SkinUI::ICanvas& canvas) override;
  void PaintBorder(SkinUI::ICanvas& canvas) override;

 private:
  int colorRound_ = 0;
};
