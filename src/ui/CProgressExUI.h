// The stub's progress bar: over the filled part a light (the image named by
// "moveforeimage") slides from left to right, faster as the bar fills.
#pragma once
#include "toolkit/ProgressUI.h"

class CProgressExUI : public SkinUI::CProgressUI {
 public:
  static constexpr unsigned kLightTimer = 1697;
  CProgressExUI() : CProgressUI("ProgressEx") {}
  std::wstring GetClassName() const { return L"ProgressExUI"; }
  SkinUI::CControlUI* GetInterface(const std::string& name) override;
  void SetAttribute(const std::string& name, const std::wstring& value) override;
  void PaintStatusImage(SkinUI::ICanvas& canvas) override;
  void DoEvent(SkinUI::UIEvent& event) override;

  const std::wstring& MoveImage() const { return moveImage_; }
  bool ImageLoaded() const { return imageLoaded_; }
  SkinUI::Rect LightRect() const { return SkinUI::Rect(x0_, y0_, x1_, y1_); }

 private:
  std::wstring moveImage_;
  bool imageLoaded_ = false;
  SkinUI::Size imageSize_;
  int x0_ = 0, y0_ = 0, x1_ = 0, y1_ = 0;
};
