#include "MainWindowFixture.h"

#include <chrono>
#include <thread>

#include "FuntionImpl/GuardedRun.h"
#include "toolkit/ContainerUI.h"
#include "toolkit/LabelUI.h"
#include "toolkit/headless/RecordingCanvas.h"

namespace ui_test {

using namespace SkinUI;

void MainWindowFixture::SetUp() {
  scoped = std::make_unique<platform::ScopedOs>(os);
  DrainMessages();
  UseSkin(BuiltSkin());
  CPaintManagerUI::SetDefaultScale(100);
  previousHook_ = SetShellOpenHook([this](const std::wstring& t, const std::wstring& p) {
    opened.push_back(p.empty() ? t : t + L" " + p);
    return true;
  });
}

void MainWindowFixture::TearDown() {
  wnd.reset();
  // The window's side-fetches run on detached threads on this test's OS: let
  // them end before the OS goes.
  for (int i = 0; i < 1000 && FuntionImpl::RunningThreads() > 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(FuntionImpl::RunningThreads(), 0) << "side-fetches still running after 10 s";
  SetShellOpenHook(previousHook_);
  CPaintManagerUI::SetDefaultScale(0);
}

InstallUIMainWnd& MainWindowFixture::Open() {
  wnd = std::make_unique<InstallUIMainWnd>();
  wnd->SetHttpFactory(web);
  wnd->SetWorkerRunner([this](std::unique_ptr<InstallWorkerSetup> setup) { workers.push_back(std::move(setup)); });
  EXPECT_TRUE(wnd->Create(0, L"Lumevia", 0x800A0000u, 0, 0, 0, 600, 400));
  return *wnd;
}

CControlUI* MainWindowFixture::C(const wchar_t* name) { return wnd->PaintManager().FindControl(name); }

std::wstring MainWindowFixture::Text(const wchar_t* name) { return C(name) ? C(name)->GetText() : L"<missing>"; }

int MainWindowFixture::Page(const wchar_t* tab) { return dynamic_cast<CTabLayoutUI*>(C(tab))->GetCurSel(); }

void MainWindowFixture::Press(intptr_t at) {
  wnd->HandleMessage(kWmMouseMove, 0, at);
  wnd->HandleMessage(kWmLButtonDown, 0, at);
  wnd->HandleMessage(kWmLButtonUp, 0, at);
}

void MainWindowFixture::ClickOn(const wchar_t* name) {
  wnd->PaintManager().UpdateLayout();
  Rect r = C(name)->GetPos();
  ASSERT_FALSE(r.Empty()) << "not on screen";
  Press(((r.left + r.right) / 2) | (((r.top + r.bottom) / 2) << 16));
}

void MainWindowFixture::ClickLink(const wchar_t* control, int n) {
  RecordingCanvas canvas;
  wnd->PaintManager().Paint(canvas);
  auto* label = dynamic_cast<CLabelUI*>(C(control));
  ASSERT_NE(label, nullptr);
  for (const auto& link : label->LinkRects()) {
    if (link.first != n) continue;
    const Rect& r = link.second;
    Press(((r.left + r.right) / 2) | (((r.top + r.bottom) / 2) << 16));
    return;
  }
  FAIL() << "link " << n << " not painted";
}

void MainWindowFixture::SendAnsweringTheBox(unsigned msg, uintptr_t wParam) {
  SkinUI::PostQuitMessage(0);
  wnd->SendMsg(msg, wParam);
  DrainMessages();
}

}  // namespace ui_test
