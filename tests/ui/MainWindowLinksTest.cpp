// The main window's links (clicked on the painted text) and its AutoRun
// behaviour: the install click, the retry and the self-confirming box.
#include <gtest/gtest.h>

#include "Common/InstallUIMainWnd.h"
#include "UiTestSupport.h"
#include "platform/Utf.h"
#include "toolkit/LabelUI.h"
#include "toolkit/Shell.h"
#include "toolkit/headless/RecordingCanvas.h"
#include "FuntionImpl/RunOptions.h"
#include "ui/MessageBoxWnd.h"

using namespace SkinUI;

namespace {
struct Links : ::testing::Test {
  ui_test::FakeOs os{ui_test::TempFolder()};
  std::unique_ptr<platform::ScopedOs> scoped;
  ui_test::EventRecorder events;
  std::vector<std::wstring> opened;
  ShellOpenHook previous;
  std::unique_ptr<InstallUIMainWnd> wnd;

  void SetUp() override {
    scoped = std::make_unique<platform::ScopedOs>(os);
    ui_test::DrainMessages();
    ui_test::UseSkin(ui_test::BuiltSkin());
    CPaintManagerUI::SetDefaultScale(100);
    previous = SetShellOpenHook([this](const std::wstring& t, const std::wstring& p) {
      opened.push_back(p.empty() ? t : t + L" " + p);
      return true;
    });
  }
  void TearDown() override {
    wnd.reset();
    SetShellOpenHook(previous);
    CPaintManagerUI::SetDefaultScale(0);
  }
  InstallUIMainWnd& Open() {
    wnd = std::make_unique<InstallUIMainWnd>();
    EXPECT_TRUE(wnd->Create(0, L"Lumevia", 0x800A0000u, 0, 0, 0, 600, 400));
    return *wnd;
  }
  // Paints the window, then clicks link number n of the control with mouse messages.
  void ClickLink(const wchar_t* control, int n) {
    RecordingCanvas canvas;
    wnd->PaintManager().Paint(canvas);
    auto* label = dynamic_cast<CLabelUI*>(wnd->PaintManager().FindControl(control));
    ASSERT_NE(label, nullptr);
    for (const auto& link : label->LinkRects()) {
      if (link.first != n) continue;
      intptr_t at = ((link.second.left + link.second.right) / 2) | (((link.second.top + link.second.bottom) / 2) << 16);
      wnd->HandleMessage(kWmMouseMove, 0, at);
      wnd->HandleMessage(kWmLButtonDown, 0, at);
      wnd->HandleMessage(kWmLButtonUp, 0, at);
      return;
    }
    FAIL() << "link " << n << " not painted";
  }
};
}  // namespace

TEST_F(Links, LicenceLinksOpenThePrivacyAndLicenceAddressesOfTheLanguage) {
  InstallUIMainWnd& w = Open();
  w.Config()->SetLinkMapEntry("en", L"https://example.test/privacy", L"https://example.test/licence");
  ClickLink(L"license_link", 0);
  ClickLink(L"license_link", 1);
  EXPECT_EQ(opened, (std::vector<std::wstring>{L"https://example.test/privacy", L"https://example.test/licence"}));
}

TEST_F(Links, AdviceLinkOpensTheFirstServiceAddressWithTheStubsTrackingPart) {
  os.moduleName = L"LumeviaSetup_trk42.exe";
  InstallUIMainWnd& w = Open();
  w.Config()->MirrorUrls = {L"https://cdn.example.test/p.exe", L"https://mirror.example.test/p.exe"};
  w.StartInstall();
  w.SendMsg(WM_NO_ENOUGH_SPACE);  // the failure view, which offers the link
  ClickLink(L"text_fail_advice", 0);
  EXPECT_EQ(opened, (std::vector<std::wstring>{
                        L"https://mirror.example.test/p.exe?rnclid=trk42&package=LumeviaSetup_trk42.exe"}));
  EXPECT_EQ(events.LastLabel("8-2.ClickInstallLink"), "First");
}

TEST_F(Links, AutoRunClicksInstallAndRetriesAfterAFailure) {
  ASSERT_TRUE(platform::os().WriteFile(platform::JoinPath(os.Dir(), L"zq_downloader.cfg"),
                                       "[Settings]\r\nAutoRun=1\r\n"));
  InstallUIMainWnd& w = Open();
  EXPECT_EQ(w.TimerPeriod(kTimerAutoInstall), 2000u);
  w.SendMsg(kWmTimer, kTimerAutoInstall);
  EXPECT_EQ(w.TimerPeriod(kTimerAutoInstall), 0u);
  EXPECT_EQ(events.LastLabel("2.DownStart"), "");
  w.SendMsg(WM_NO_ENOUGH_SPACE);
  EXPECT_EQ(w.TimerPeriod(kTimerAutoRetry), 1000u);
  w.SendMsg(kWmTimer, kTimerAutoRetry);
  EXPECT_EQ(events.LastLabel("8-1.ClickTryAgain"), "First");

  // A box with one button confirms itself after a second; one with two waits.
  MessageBoxWnd single(MsgNoEnoughSpace, Lang_English);
  ASSERT_TRUE(single.CreateBox(0));
  EXPECT_FALSE(single.PaintManager().FindControl(L"btn_no")->IsVisible());
  EXPECT_TRUE(FuntionImpl::IsAutoRun());
  EXPECT_EQ(single.TimerPeriod(777), 1000u);
  single.SendMsg(kWmTimer, 777);
  EXPECT_EQ(static_cast<CWindowWnd&>(single).ShowModal(), 1);
  MessageBoxWnd two(MsgCancel, Lang_English);
  ASSERT_TRUE(two.CreateBox(0));
  EXPECT_EQ(two.TimerPeriod(777), 0u);
  two.SendMsg(kWmClose, 2);
}
