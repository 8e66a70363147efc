// The main window's links (clicked on the painted text) and its AutoRun
// behaviour: the install click, the retry and the self-confirming box.
#include <gtest/gtest.h>

#include "FuntionImpl/RunOptions.h"
#include "MainWindowFixture.h"
#include "ui/MessageBoxWnd.h"

using namespace SkinUI;

using Links = ui_test::MainWindowFixture;

TEST_F(Links, LicenceLinksOpenThePrivacyAndLicenceAddressesOfTheLanguage) {
  InstallUIMainWnd& w = Open();
  w.Config()->SetLinkMapEntry("en", L"https://example.test/privacy", L"https://example.test/licence");
  ClickLink(L"license_link", 0);
  ClickLink(L"license_link", 1);
  EXPECT_EQ(opened, (std::vector<std::wstring>{L"https://example.test/privacy", L"https://example.test/licence"}));

  // The service names the links: other schemes never reach the shell.
  opened.clear();
  for (const wchar_t* link : {L"file:///c:/x", L"\\\\host\\share\\x.exe", L"ms-settings:", L"C:\\x.exe"}) {
    w.Config()->SetLinkMapEntry("en", link, link);
    ClickLink(L"license_link", 0);
    ClickLink(L"license_link", 1);
  }
  EXPECT_TRUE(opened.empty());
  w.Config()->SetLinkMapEntry("en", L"HTTP://example.test/p", L"");
  w.Config()->Update([&](ProductConfig& r) { r.LicenseUrl = L"javascript:x"; });
  ClickLink(L"license_link", 0);
  ClickLink(L"license_link", 1);
  EXPECT_EQ(opened, std::vector<std::wstring>{L"HTTP://example.test/p"});
}

TEST_F(Links, AdviceLinkOpensTheFirstServiceAddressWithTheStubsTrackingPart) {
  os.moduleName = L"LumeviaSetup_trk42.exe";
  InstallUIMainWnd& w = Open();
  w.Config()->Update(
      [](ProductConfig& r) { r.MirrorUrls = {L"https://cdn.example.test/p.exe", L"https://mirror.example.test/p.exe"}; });
  w.StartInstall();
  w.SendMsg(WM_INSTALL_FAILED, static_cast<uintptr_t>(InstallResult::NoSpace));  // the failure view, which offers the link
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
  w.SendMsg(WM_INSTALL_FAILED, static_cast<uintptr_t>(InstallResult::NoSpace));
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
