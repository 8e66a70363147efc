#include "ui/CProgressExUI.h"

#include <algorithm>
#include <cstdio>

#include "toolkit/Backend.h"
#include "toolkit/PaintManager.h"

SkinUI::CControlUI* CProgressExUI::GetInterface(const std::string& name) {
  return name == "ProgressEx" ? this : CProgressUI::GetInterface(name);
}

void CProgressExUI::SetAttribute(const std::string& name, const std::wstring& value) {
  if (name == "moveforeimage") {
    if (value != moveImage_) {
      moveImage_ = value;
      imageLoaded_ = false;  // the next painting loads the new one
      Invalidate();
    }
  }
  CProgressUI::SetAttribute(name, value);
}

void CProgressExUI::PaintStatusImage(SkinUI::ICanvas& canvas) {
  CProgressUI::PaintStatusImage(canvas);
  SkinUI::CPaintManagerUI* pm = GetManager();
  if (value_ == min_ || moveImage_.empty() || !pm) return;
  if (!imageLoaded_) {
    if (!SkinUI::backend::ImageSize(moveImage_, imageSize_)) return;
    imageLoaded_ = true;
    pm->SetTimer(this, kLightTimer, 100);
  }
  if (value_ == max_) {
    x0_ = y0_ = x1_ = y1_ = 0;
    pm->KillTimer(this, kLightTimer);
    imageLoaded_ = false;
    return;
  }
  // Positions are logical pixels already: the canvas does the scaling.
  SkinUI::Rect f = FilledRect();
  if (x1_ - x0_ <= 0) {
    x0_ = f.left;
    y0_ = f.top;
  }
  x1_ = std::min(f.right, x0_ + imageSize_.cx);
  y1_ = std::min(f.bottom, y0_ + imageSize_.cy);
  if ((!horizontal_ || x1_ - x0_ >= imageSize_.cx / 2) && y1_ - y0_ >= imageSize_.cy / 2) {
    wchar_t spec[160];
    std::swprintf(spec, 160, L"file='%ls' dest='%d,%d,%d,%d' source='%d,%d,%d,%d'", moveImage_.c_str(), x0_, y0_, x1_,
                  y1_, 0, 0, std::min(imageSize_.cx, x1_ - x0_), std::min(imageSize_.cy, y1_ - y0_));
    DrawImage(canvas, spec);
  } else {
    x0_ = f.left;
    y0_ = f.top;
  }
}

void CProgressExUI::DoEvent(SkinUI::UIEvent& event) {
  if (event.type == SkinUI::EventType::Timer && event.timerId == kLightTimer) {
    if (max_ - min_ > 0) {
      int step = std::max(1, value_ * 20 / (max_ - min_));
      if (horizontal_) x0_ += step;
      else y0_ += step;
      Invalidate();
    }
    return;
  }
  CProgressUI::DoEvent(event);
}
