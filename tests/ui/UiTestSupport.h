// Shared set-up of the window tests: the built skin package in the toolkit,
// an OS whose folders, registry and UI language the test controls, and a
// recorder of the windows' telemetry calls.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "toolkit/PaintManager.h"
#include "toolkit/SkinPackage.h"
#include "toolkit/WindowImplBase.h"
#include "ui/UiTelemetry.h"

namespace ui_test {

std::string BuiltSkin();
// The built skin with some entries replaced (name, new bytes).
std::string SkinWith(const std::vector<std::pair<std::string, std::string>>& replaced);
void UseSkin(const std::string& zipBytes);

// A window laid out by one file of a skin package of the test's own.
class LayoutWnd : public SkinUI::WindowImplBase {
 public:
  LayoutWnd(std::wstring windowClass, std::string file) : class_(std::move(windowClass)), file_(std::move(file)) {}
  std::wstring GetWindowClassName() const override { return class_; }
  std::string GetSkinFile() override { return file_; }
  // Uses the package, then creates the window at 100 % and lays it out.
  bool Open(const std::string& skinZip);

 private:
  std::wstring class_;
  std::string file_;
};

class FakeOs : public platform::ForwardingOs {
 public:
  explicit FakeOs(const std::wstring& dir) : dir_(dir) {}
  std::wstring SpecialFolderPath(platform::SpecialFolder) override { return dir_; }
  // The stub seems to run from the test's folder, under the name chosen.
  std::wstring ModuleFileName() override { return platform::JoinPath(dir_, moduleName); }
  std::wstring moduleName = L"LumeviaSetup.exe";
  const std::wstring& Dir() const { return dir_; }
  unsigned UserDefaultUILanguage() override { return uiLanguage; }
  bool RegReadString(platform::RegRoot r, const std::wstring& k, const std::wstring& v, std::wstring& o,
                     platform::RegView view) override {
    auto it = registry.find(platform::NativeKeyName(r, k, view) + L"|" + v);
    if (it == registry.end()) return false;
    o = it->second;
    return true;
  }
  bool RegWriteString(platform::RegRoot r, const std::wstring& k, const std::wstring& v, const std::wstring& d,
                      platform::RegView view) override {
    registry[platform::NativeKeyName(r, k, view) + L"|" + v] = d;
    return true;
  }
  unsigned uiLanguage = 1033;
  // 64-bit Windows' registry by native key names: "key|value" -> data.
  std::map<std::wstring, std::wstring> registry;

 private:
  std::wstring dir_;
};

// Records every event and funnel of the windows while it lives.
class EventRecorder {
 public:
  EventRecorder();
  ~EventRecorder();
  std::vector<ui::UiEventRecord> records;
  // The label of the last event with this action; "<none>" when there was none.
  std::string LastLabel(const std::string& action) const;

 private:
  ui::UiEventSink previous_;
};

// Handles what earlier tests left in the thread's message queue, quit
// requests included, so that a modal loop of this test does not end early.
void DrainMessages();

// A fresh temporary folder (not removed: tests write little).
std::wstring TempFolder();

}  // namespace ui_test
