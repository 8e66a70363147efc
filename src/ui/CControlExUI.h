// A plain control that draws the result marks of the result view: a check
// mark on "logo_install_ok", a cross on "logo_install_fail".
#pragma once
#include "toolkit/Control.h"

class CControlExUI : public SkinUI::CControlUI {
 public:
  CControlExUI() : CControlUI("ControlEx") {}
  std::wstring GetClassName() const { return L"ControlExUI"; }
  SkinUI::CControlUI* GetInterface(const std::string& name) override;
  void PaintBorder(SkinUI::ICanvas& canvas) override;
};
