// The main window's tests share this: the built skin, an OS the test
// controls, a recorder of the window's reports and of the addresses it opens,
// and clicks made the way the user makes them.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Common/InstallUIMainWnd.h"
#include "UiTestSupport.h"
#include "http/fake/FakeHttpClient.h"
#include "toolkit/Shell.h"

namespace ui_test {

class WindowTestOs : public FakeOs {
 public:
  using FakeOs::FakeOs;
  // A clock that does not move, so that time labels are known.
  uint64_t TickCount() override { return stillClock ? 5000 : FakeOs::TickCount(); }
  bool stillClock = false;
  // A calendar time that does not move, so that a signed address (its
  // timestamp in seconds) can be known before it is asked for; 0: the real one.
  int64_t UnixTimeMs() override { return fixedUnixMs ? fixedUnixMs : FakeOs::UnixTimeMs(); }
  int64_t fixedUnixMs = 0;
};

struct MainWindowFixture : ::testing::Test {
  WindowTestOs os{TempFolder()};
  std::unique_ptr<platform::ScopedOs> scoped;
  EventRecorder events;
  std::vector<std::wstring> opened;  // what the window asked the shell to open
  std::unique_ptr<InstallUIMainWnd> wnd;
  // The services the window's side-fetches reach: none answers unless a test says so.
  std::shared_ptr<http::FakeHttpClientFactory> web = std::make_shared<http::FakeHttpClientFactory>();
  // The install workers the window started (not run: the flow has its own tests).
  std::vector<std::unique_ptr<InstallWorkerSetup>> workers;

  void SetUp() override;
  void TearDown() override;
  InstallUIMainWnd& Open();
  SkinUI::CControlUI* C(const wchar_t* name);
  std::wstring Text(const wchar_t* name);
  int Page(const wchar_t* tab);
  // A click as the user makes it: mouse messages at the control's centre.
  void ClickOn(const wchar_t* name);
  // Paints the window, then clicks link number n of the control.
  void ClickLink(const wchar_t* control, int n);
  // Sends a worker's message whose modal box then ends at once (on a pending
  // quit request).
  void SendAnsweringTheBox(unsigned msg, uintptr_t wParam);
  // The failure as the host posts it, its box answered at once.
  void FailAnsweringTheBox(InstallResult result) { SendAnsweringTheBox(WM_INSTALL_FAILED, static_cast<uintptr_t>(result)); }
  // Reports as the worker makes them: through the window's host, handled once
  // the window's queue is pumped (no box may come up).
  IInstallObserver& Worker() { return *wnd->Host(); }

 private:
  void Press(intptr_t at);
  SkinUI::ShellOpenHook previousHook_;
};

}  // namespace ui_test
