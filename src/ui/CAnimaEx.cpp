#include "ui/CAnimaEx.h"

#include <algorithm>

#include "CConfigure/CConfigure.h"
#include "platform/Platform.h"
#include "toolkit/ContainerUI.h"
#include "toolkit/LabelUI.h"
#include "toolkit/OptionUI.h"
#include "toolkit/PaintManager.h"

CAnimaEx::CAnimaEx(SkinUI::CPaintManagerUI* pm, SkinUI::CControlUI* slides, SkinUI::CControlUI* indicators,
                   int slideCount, EnumLanguage language, CConfigure* config, int width, int height)
    : CControlUI("AnimaEx"),
      pm_(pm),
      slideBox_(slides),
      indicatorBox_(indicators),
      config_(config),
      language_(language),
      count_(slideCount),
      width_(width),
      height_(height) {
  SetManager(pm);
}

CAnimaEx::~CAnimaEx() {
  if (pm_) pm_->KillTimer(this, kStepTimer);
}

std::wstring CAnimaEx::BannerFile(int key) const {
  BannerEntry e;
  if (!config_ || !config_->GetBannerEntry(key, e) || e.localFile.empty()) return {};
  return platform::os().FileExists(e.localFile) ? e.localFile : std::wstring();
}

void CAnimaEx::Init() {
  slides_.clear();
  if (!slideBox_) return;
  for (int i = 0; i < count_ && i < static_cast<int>(slideBox_->GetCount()); ++i) {
    SkinUI::CControlUI* child = slideBox_->GetItemAt(static_cast<size_t>(i));
    if (child->GetBkImage().empty()) continue;
    std::wstring image = child->GetBkImage();
    std::wstring caption = child->GetCount() ? child->GetItemAt(0)->GetText() : std::wstring();
    std::wstring banner = BannerFile(i + 1);
    if (!banner.empty()) image = banner;
    slides_.push_back({image, caption});
  }
  slideBox_->RemoveAll();
  if (!slides_.empty()) {
    current_ = 0;
    slideBox_->Add(BuildSlide(0));
  }
  // Indicators beyond the slides point at nothing: they are not shown.
  if (indicatorBox_) {
    for (size_t i = 0; i < indicatorBox_->GetCount(); ++i) {
      SkinUI::CControlUI* dot = indicatorBox_->GetItemAt(i);
      dot->SetVisible(slides_.size() > 1 && i < slides_.size());
      if (auto* o = dynamic_cast<SkinUI::COptionUI*>(dot)) o->Selected(static_cast<int>(i) == current_, false);
    }
  }
  initialised_ = true;
}

std::unique_ptr<SkinUI::CControlUI> CAnimaEx::BuildSlide(int k) {
  auto slide = std::make_unique<SkinUI::CVerticalLayoutUI>();
  slide->SetFixedWidth(width_);
  slide->SetFixedHeight(height_);
  slide->SetFloatPos(SkinUI::Rect(0, 0, width_, height_));
  slide->SetBkImage(slides_[static_cast<size_t>(k)].first);
  auto label = std::make_unique<SkinUI::CLabelUI>();
  label->SetName(L"animatext");
  label->SetText(slides_[static_cast<size_t>(k)].second);
  label->SetFixedWidth(650);
  label->SetFixedHeight(92);
  label->SetAttribute("textpadding", L"25,0,25,0");
  if (pm_) {
    SkinUI::FontSpec f;
    f.face = GetLanguageFontName(language_);
    f.size = 14;
    label->SetFont(pm_->AddFont(f));
  }
  label->SetAttribute("textcolor", L"#FF333333");
  label->SetAttribute("align", L"center");
  label->SetAttribute("valign", L"vcenter");
  label->SetAttribute("wordbreak", L"true");
  slide->Add(std::move(label));
  slide->Add(std::make_unique<SkinUI::CControlUI>("Control"));
  return slide;
}

void CAnimaEx::SlideTo(int k) {
  if (!initialised_) Init();
  const int count = static_cast<int>(slides_.size());
  if (busy_ || count < 2 || k == current_ || !slideBox_) return;
  busy_ = true;
  if (indicatorBox_) indicatorBox_->SetEnabled(false);
  firstStep_ = true;
  direction_ = current_ < k ? -1 : 1;
  k = ((k % count) + count) % count;
  auto slide = BuildSlide(k);
  if (direction_ < 0) {
    slide->SetFloatPos(SkinUI::Rect(width_, 0, width_ * 2, height_));
    slideBox_->Add(std::move(slide));
  } else {
    slideBox_->AddAt(std::move(slide), 0);
  }
  int w = slideBox_->GetPos().Width() > 0 ? slideBox_->GetPos().Width() : width_;
  remaining_ = w;
  step_ = w / kSteps;
  target_ = k;
  if (pm_) pm_->SetTimer(this, kStepTimer, kStepMs);
}

void CAnimaEx::Tick() {
  if (!busy_ || !slideBox_) return;
  int step = std::min(step_, remaining_);
  remaining_ -= step;
  if (firstStep_ && direction_ > 0) {
    // Backwards: the new slide starts out of view on the left.
    for (size_t i = 0; i < slideBox_->GetCount(); ++i) {
      SkinUI::CControlUI* c = slideBox_->GetItemAt(i);
      SkinUI::Rect p = c->GetFloatPos();
      c->SetFloatPos(i == 0 ? SkinUI::Rect(-width_, 0, 0, height_) : p);
    }
  }
  firstStep_ = false;
  for (size_t i = 0; i < slideBox_->GetCount(); ++i) {
    SkinUI::CControlUI* c = slideBox_->GetItemAt(i);
    c->SetFloatPos(c->GetFloatPos().Offset(step * direction_, 0));
  }
  if (remaining_ > 0) return;
  if (pm_) pm_->KillTimer(this, kStepTimer);
  slideBox_->RemoveAt(direction_ < 0 ? 0 : 1);
  if (SkinUI::CControlUI* shown = slideBox_->GetItemAt(0)) shown->SetFloatPos(SkinUI::Rect(0, 0, width_, height_));
  busy_ = false;
  if (indicatorBox_) indicatorBox_->SetEnabled(true);
  direction_ = 0;
  current_ = target_;
  if (indicatorBox_) {
    for (size_t i = 0; i < indicatorBox_->GetCount(); ++i)
      if (auto* o = dynamic_cast<SkinUI::COptionUI*>(indicatorBox_->GetItemAt(i)))
        o->Selected(static_cast<int>(i) == current_, false);
  }
}

void CAnimaEx::DoEvent(SkinUI::UIEvent& event) {
  if (event.type == SkinUI::EventType::Timer && event.timerId == kStepTimer) {
    Tick();
    return;
  }
  CControlUI::DoEvent(event);
}

void CAnimaEx::UpdateBanners() {
  for (int i = 0; i < static_cast<int>(slides_.size()); ++i) {
    std::wstring banner = BannerFile(i + 1);
    if (!banner.empty()) slides_[static_cast<size_t>(i)].first = banner;
    slides_[static_cast<size_t>(i)].second.clear();
  }
}
