#include "UiTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../unit/TestSupport.h"
#include "platform/Utf.h"
#include "toolkit/WindowWnd.h"

namespace ui_test {

std::string BuiltSkin() {
  std::ifstream f(LUMEVIA_SKIN_ZIP, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

std::string SkinWith(const std::vector<std::pair<std::string, std::string>>& replaced) {
  SkinUI::SkinPackage pkg;
  pkg.Open(BuiltSkin());
  std::vector<std::pair<std::string, std::string>> entries;
  for (const std::string& name : pkg.EntryNames()) {
    bool skip = false;
    for (const auto& r : replaced) skip = skip || SkinUI::SkinPackage::NormalizeName(r.first) == SkinUI::SkinPackage::NormalizeName(name);
    if (skip) continue;
    std::string bytes;
    pkg.Extract(name, bytes);
    entries.push_back({name, bytes});
  }
  for (const auto& r : replaced)
    if (!r.second.empty()) entries.push_back(r);
  return testing_support::MakeZip(entries);
}

void UseSkin(const std::string& zipBytes) { SkinUI::CPaintManagerUI::SetResourceZip(zipBytes); }

bool LayoutWnd::Open(const std::string& skinZip) {
  DrainMessages();
  SkinUI::CPaintManagerUI::SetDefaultScale(100);
  UseSkin(skinZip);
  if (!Create(0, L"t", 0, 0, 0, 0, 10, 10)) return false;
  PaintManager().UpdateLayout();
  return true;
}

EventRecorder::EventRecorder() {
  previous_ = ui::SetUiEventSink([this](const ui::UiEventRecord& r) { records.push_back(r); });
}

EventRecorder::~EventRecorder() { ui::SetUiEventSink(previous_); }

std::string EventRecorder::LastLabel(const std::string& action) const {
  for (auto it = records.rbegin(); it != records.rend(); ++it)
    if (!it->funnel && it->action == action) return it->label;
  return "<none>";
}

void DrainMessages() {
  constexpr int kSentinel = 0x5EED;
  SkinUI::PostQuitMessage(kSentinel);
  for (int i = 0; i < 1000 && SkinUI::MessageLoop() != kSentinel; ++i) {
  }
}

std::wstring TempFolder() {
  static int n = 0;
  std::wstring w = platform::JoinPath(platform::nativeOs().SpecialFolderPath(platform::SpecialFolder::Temp),
                                      L"lumevia_ui_test_" + std::to_wstring(platform::nativeOs().CurrentProcessId()) +
                                          L"_" + std::to_wstring(n++));
  // Process ids come back (under Wine nearly always): start from an empty folder,
  // not from what an earlier run left there.
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(w), ignored);
  platform::nativeOs().CreateDirectories(w);
  return w;
}

}  // namespace ui_test
