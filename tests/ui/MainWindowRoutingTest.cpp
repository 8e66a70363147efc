// The main window's routing tables against the layouts it is built from,
// and notifications from controls nobody routes.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <algorithm>
#include <functional>
#include <set>

#include "MainWindowFixture.h"
#include "platform/Utf.h"
#include "toolkit/ContainerUI.h"
#include "toolkit/OptionUI.h"
#include "ui/COptionExUI.h"

using namespace SkinUI;

namespace {
struct Routing : ui_test::MainWindowFixture {
  void SetUp() override {
    MainWindowFixture::SetUp();
    Open();
  }
  // Every named control of the window's layouts.
  std::vector<CControlUI*> NamedControls() {
    std::vector<CControlUI*> all;
    std::function<void(CControlUI*)> walk = [&](CControlUI* c) {
      if (!c) return;
      if (!c->GetName().empty()) all.push_back(c);
      for (size_t i = 0; i < c->GetCount(); ++i) walk(c->GetItemAt(i));
    };
    walk(wnd->PaintManager().GetRoot());
    return all;
  }
  static bool Routed(const std::wstring& kind, const std::wstring& name) {
    const std::vector<std::wstring> names = InstallUIMainWnd::RoutedControls(kind);
    return std::find(names.begin(), names.end(), name) != names.end();
  }
};
}  // namespace

TEST_F(Routing, EveryButtonToggleAndLinkOfTheLayoutsIsRouted) {
  // Read when the product is installed, not when it is clicked.
  const std::set<std::wstring> readLater = {L"agree_improvement_checkbox"};
  int buttons = 0, toggles = 0, links = 0;
  for (CControlUI* c : NamedControls()) {
    const std::wstring& name = c->GetName();
    const std::string shown = platform::Utf8FromWide(name);
    if (auto* option = dynamic_cast<COptionUI*>(c)) {
      // The banner dots go by their group.
      if (option->GetGroup() == COptionExUI::kIndicatorGroup || readLater.count(name)) continue;
      EXPECT_TRUE(Routed(L"click", name) || Routed(L"selectchanged", name)) << shown;
      ++toggles;
    } else if (dynamic_cast<CButtonUI*>(c)) {
      EXPECT_TRUE(Routed(L"click", name)) << shown;
      ++buttons;
    } else if (c->GetText().find(L"{a}") != std::wstring::npos) {
      EXPECT_TRUE(Routed(L"link", name)) << shown;
      ++links;
    }
  }
  // The layouts were really walked: their buttons, the licence and settings
  // toggles, the two texts with links.
  EXPECT_EQ(buttons, 8);
  EXPECT_EQ(toggles, 2);
  EXPECT_EQ(links, 2);
}

TEST_F(Routing, EveryRoutedNameIsInTheLayouts) {
  // Buttons a skin may bring; today's layouts have none of them.
  const std::set<std::wstring> byNameOnly = {L"finish_btn", L"cancel_btn"};
  std::set<std::wstring> laidOut;
  for (CControlUI* c : NamedControls()) laidOut.insert(c->GetName());
  for (const wchar_t* kind : {L"click", L"selectchanged", L"link"}) {
    const std::vector<std::wstring> names = InstallUIMainWnd::RoutedControls(kind);
    EXPECT_FALSE(names.empty());
    for (const std::wstring& name : names)
      EXPECT_TRUE(laidOut.count(name) || byNameOnly.count(name)) << platform::Utf8FromWide(name);
  }
  EXPECT_TRUE(InstallUIMainWnd::RoutedControls(L"itemselect").empty());
}

TEST_F(Routing, NotificationsFromUnroutedControlsDoNothing) {
  events.records.clear();
  // A control with no route of its own, and one with a route for another kind.
  CControlUI* logo = C(L"logo");
  CControlUI* install = C(L"install_btn");
  ASSERT_NE(logo, nullptr);
  for (CControlUI* sender : {logo, install, static_cast<CControlUI*>(nullptr)}) {
    for (const wchar_t* kind : {L"click", L"selectchanged", L"link", L"itemselect"}) {
      if (sender == install && std::wstring(kind) == L"click") continue;
      TNotifyUI msg;
      msg.sType = kind;
      msg.pSender = sender;
      wnd->Notify(msg);
    }
  }
  PumpPendingMessages();
  EXPECT_TRUE(events.records.empty()) << events.records.front().action;
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(Page(L"main_tablayout"), 0);
  EXPECT_FALSE(wnd->SettingsOpen());
  EXPECT_EQ(wnd->CloseMode(), 2);
  EXPECT_EQ(wnd->TimerPeriod(kTimerBanner), 0u);
}

TEST_F(Routing, TheWorkersStateOutlivesTheWindow) {
  std::shared_ptr<InstallState> state = wnd->State();
  state->SetPackagePath(L"C:\\Temp\\Lumevia_Setup\\Lumevia_Setup_1.0.0.0.exe");
  wnd.reset();
  // A worker still holding it can go on writing and reading.
  state->installerFinished = true;
  state->SetCurrentDownloadUrl(L"https://download.lumevia.com/release/Lumevia_Setup.exe");
  EXPECT_EQ(state->PackagePath(), L"C:\\Temp\\Lumevia_Setup\\Lumevia_Setup_1.0.0.0.exe");
  // The window's side-fetches hold it until they end.
  for (int i = 0; i < 300 && state.use_count() > 1; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(state.use_count(), 1);
}
