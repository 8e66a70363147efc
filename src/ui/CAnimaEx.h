// The slide show of the running page. It drives two containers of the main
// window: the slides ("hor_banner") and their indicators ("hor_option").
// A transition slides the new picture in over 15 ticks of 20 ms.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "language/Language.h"
#include "toolkit/Control.h"

class CConfigure;
namespace SkinUI {
class CPaintManagerUI;
}

class CAnimaEx : public SkinUI::CControlUI {
 public:
  static constexpr unsigned kStepTimer = 6375;
  static constexpr unsigned kStepMs = 20;
  static constexpr int kSteps = 15;

  CAnimaEx(SkinUI::CPaintManagerUI* pm, SkinUI::CControlUI* slides, SkinUI::CControlUI* indicators, int slideCount,
           EnumLanguage language, CConfigure* config, int width = 650, int height = 300);
  ~CAnimaEx() override;

  void Init();
  void SlideTo(int index);
  void Next() { SlideTo(current_ + 1); }
  void UpdateBanners();
  void DoEvent(SkinUI::UIEvent& event) override;

  int Current() const { return current_; }
  bool IsBusy() const { return busy_; }
  int Remaining() const { return remaining_; }
  int StepSize() const { return step_; }
  const std::vector<std::pair<std::wstring, std::wstring>>& Slides() const { return slides_; }

 private:
  std::unique_ptr<SkinUI::CControlUI> BuildSlide(int k);
  void Tick();
  std::wstring BannerFile(int key) const;

  SkinUI::CPaintManagerUI* pm_;
  SkinUI::CControlUI* slideBox_;
  SkinUI::CControlUI* indicatorBox_;
  CConfigure* config_;
  EnumLanguage language_;
  std::vector<std::pair<std::wstring, std::wstring>> slides_;  // (image, caption)
  int count_, width_, height_;
  int current_ = 0, target_ = 0, direction_ = 0;
  bool busy_ = false, firstStep_ = false, initialised_ = false;
  int remaining_ = 0, step_ = 0;
};
