// The main window headless: language texts, the language combo, clicks sent
// as mouse messages, the settings panel, progress, the worker's messages
// and the close reasons.
#include <gtest/gtest.h>

#include "MainWindowFixture.h"
#include "platform/Utf.h"
#include "toolkit/ComboUI.h"
#include "toolkit/ContainerUI.h"
#include "toolkit/ProgressUI.h"

using namespace SkinUI;

namespace {
std::string ConfigureWith(const std::string& languageStr) {
  SkinPackage pkg;
  pkg.Open(ui_test::BuiltSkin());
  std::string xml;
  pkg.Extract("configure/configure.xml", xml);
  const std::string key = "name=\"Language_str\" text=\"";
  size_t at = xml.find(key) + key.size();
  xml.replace(at, xml.find('"', at) - at, languageStr);
  return xml;
}

struct MainWnd : ui_test::MainWindowFixture {
  InstallUIMainWnd& Open(unsigned uiLanguage = 1033, const std::string& languageStr = "") {
    os.uiLanguage = uiLanguage;
    if (!languageStr.empty()) ui_test::UseSkin(ui_test::SkinWith({{"configure/configure.xml", ConfigureWith(languageStr)}}));
    return MainWindowFixture::Open();
  }
  std::string CloseReasonNow() {
    MainWndRules::CloseReason r = wnd->CurrentCloseReason();
    return r.reason + "/" + r.phase;
  }
};
}  // namespace

TEST_F(MainWnd, AppliesTheLanguageTextsAndKeepsTheFormatStrings) {
  InstallUIMainWnd& w = Open();
  EXPECT_EQ(w.Language(), Lang_English);
  EXPECT_EQ(Text(L"install_btn"), L"Install Now");
  EXPECT_EQ(Text(L"retry_btn"), L"Try Again");
  EXPECT_EQ(w.ProgressFormat(), L"Installing... %0.f%%");
  EXPECT_EQ(w.SpaceFreeFormat(), L"Available space: %.1fGB");
  w.SetFreeSpaceGb(12.34);
  w.SetLanguage(Lang_German);
  EXPECT_NE(Text(L"space_free").find(L"12.3"), std::wstring::npos) << platform::Utf8FromWide(Text(L"space_free"));
  EXPECT_NE(Text(L"install_btn"), L"Install Now");
  EXPECT_EQ(w.ProgressFormat().find(L"%0.f%%") != std::wstring::npos, true);
  // Licence text from the language's container; extra_text stays as laid out.
  EXPECT_FALSE(Text(L"license_text").empty());
  EXPECT_EQ(Text(L"extra_text"), L"");
  EXPECT_EQ(C(L"license_text_layout")->GetFixedHeight(), 1485 + 170);
  EXPECT_EQ(C(L"layout_bottom_set")->GetInset(), Rect(0, 8, 0, 8));
  w.SetLanguage(Lang_Swedish);
  EXPECT_EQ(C(L"layout_bottom_set")->GetInset(), Rect(0, 16, 0, 16));
  // Progress text uses the kept format.
  w.SetLanguage(Lang_English);
  w.SetProgress(37);
  EXPECT_EQ(Text(L"install_label"), L"Installing... 37%");
}

TEST_F(MainWnd, LanguageFileWithoutPageOrKeyKeepsTheLayoutTexts) {
  ui_test::UseSkin(ui_test::SkinWith({{"language/language_french.xml",
                                       "<Window><VerticalLayout name=\"x\"><VerticalLayout name=\"install_page\">"
                                       "<Label name=\"install_btn\" text=\"Installer\" /></VerticalLayout>"
                                       "</VerticalLayout></Window>"},
                                      {"language/language_german.xml", ""}}));
  wnd = std::make_unique<InstallUIMainWnd>();
  ASSERT_TRUE(wnd->Create(0, L"Lumevia", 0x800A0000u, 0, 0, 0, 600, 400));
  wnd->SetLanguage(Lang_French);
  EXPECT_EQ(Text(L"install_btn"), L"Installer");
  EXPECT_EQ(Text(L"retry_btn"), L"Try Again");  // no key: the text stays
  wnd->SetLanguage(Lang_German);                 // no file at all
  EXPECT_EQ(Text(L"install_btn"), L"Installer");
}

TEST_F(MainWnd, ComboRestrictionAndInitialChoice) {
  struct Case {
    unsigned system;
    std::string enabled;
    EnumLanguage expected;
    int items;
  };
  const Case cases[] = {
      {3076, "zh-tw#en#ja#ko#id", Lang_ChineseTrad, 5},
      {2057, "zh-tw#en#ja#ko#id", Lang_English, 5},
      {2057, "ja#ko", Lang_Japanese, 2},
      {1045, "zh-tw#en#ja#ko#id", Lang_English, 5},
      {1041, "xx#yy", Lang_Japanese, 0},  // nothing enabled: the system's language still shows
  };
  for (const Case& c : cases) {
    InstallUIMainWnd& w = Open(c.system, c.enabled);
    auto* combo = dynamic_cast<CComboUI*>(C(L"language_combox"));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->ItemCount(), c.items) << c.enabled;
    EXPECT_EQ(w.Language(), c.expected) << c.system << " " << c.enabled;
    if (c.items) {
      EXPECT_EQ(combo->ItemUserData(combo->GetCurSel()), platform::WideFromUtf8(LanguageCode(c.expected)));
    }
    wnd.reset();
  }
}

TEST_F(MainWnd, ChoosingAComboItemAppliesItsLanguage) {
  InstallUIMainWnd& w = Open(1033, "zh-tw#en#ja#ko#id");
  ClickOn(L"install_setting");
  ClickOn(L"language_combox");
  auto* combo = dynamic_cast<CComboUI*>(C(L"language_combox"));
  ASSERT_TRUE(combo->IsOpen());
  Rect list = combo->ListRect();
  intptr_t at = (list.left + 20) | ((list.top + 1 + 28 + 14) << 16);  // second item: Japanese
  w.HandleMessage(kWmLButtonDown, 0, at);
  w.HandleMessage(kWmLButtonUp, 0, at);
  EXPECT_EQ(w.Language(), Lang_Japanese);
  EXPECT_NE(Text(L"install_btn"), L"Install Now");
}

TEST_F(MainWnd, SettingsPanelTogglesTheWindowHeight) {
  InstallUIMainWnd& w = Open();
  EXPECT_EQ(w.PaintManager().ClientRect().Height(), 371);
  ClickOn(L"install_setting");
  EXPECT_TRUE(w.SettingsOpen());
  EXPECT_EQ(Page(L"set_layout"), 1);
  EXPECT_EQ(w.PaintManager().ClientRect().Height(), 571);
  ClickOn(L"install_setting");
  EXPECT_FALSE(w.SettingsOpen());
  EXPECT_EQ(w.PaintManager().ClientRect().Height(), 371);
}

TEST_F(MainWnd, LicenceCheckboxEnablesTheInstallButton) {
  Open();
  ClickOn(L"license_checkbox");
  EXPECT_FALSE(C(L"install_btn")->IsEnabled());
  ClickOn(L"license_checkbox");
  EXPECT_TRUE(C(L"install_btn")->IsEnabled());
}

TEST_F(MainWnd, InstallShowsTheRunningPageAndResultsReturnToTheStartPage) {
  InstallUIMainWnd& w = Open();
  EXPECT_EQ(CloseReasonNow(), "close01/BeforeDownload");
  ClickOn(L"install_btn");
  EXPECT_EQ(Page(L"main_tablayout"), 1);
  EXPECT_EQ(Page(L"page_layout"), 1);
  EXPECT_EQ(w.PaintManager().ClientRect(), Rect(0, 0, 650, 360));
  EXPECT_EQ(w.TimerPeriod(kTimerBanner), 3000u);
  EXPECT_EQ(events.LastLabel("SetLanguage"), "English");
  EXPECT_EQ(events.LastLabel("2.DownStart"), "");
  const std::pair<int, const char*> reasons[] = {
      {79, "close02/Downloading"}, {80, "close04/Md5Check"}, {90, "close04/Md5Check"}, {91, "close03/Installing"}};
  for (const auto& r : reasons) {
    w.SetProgress(r.first);
    EXPECT_EQ(CloseReasonNow(), r.second) << r.first;
  }
  Worker().OnFinished(IInstallObserver::Finish::Installed);
  PumpPendingMessages();
  EXPECT_EQ(Page(L"main_tablayout"), 0);
  EXPECT_EQ(w.CloseMode(), 1);
  EXPECT_EQ(w.TimerPeriod(kTimerBanner), 0u);
  EXPECT_TRUE(C(L"start_app")->IsVisible());
  EXPECT_EQ(CloseReasonNow(), "close06/Installing");
  w.State()->started = true;
  EXPECT_EQ(CloseReasonNow(), "close07/Starting");
  // The failure view, and a retry from it.
  Worker().OnFailed(InstallResult::NoSpace);
  PumpPendingMessages();
  EXPECT_TRUE(C(L"layout_install_fail")->IsVisible());
  EXPECT_EQ(CloseReasonNow(), "close05/Installing");
  ClickOn(L"retry_btn");
  EXPECT_EQ(events.LastLabel("8-1.ClickTryAgain"), "First");
  EXPECT_EQ(Page(L"main_tablayout"), 1);
  EXPECT_EQ(w.Progress(), 0);
  // Closing sends the reason.
  w.SendMsg(kWmClose);
  EXPECT_EQ(events.LastLabel("Close"), "close02");
}

TEST_F(MainWnd, EveryResultStopsTheAttemptsTimersAndARetryAsksBeforeClosingAgain) {
  InstallUIMainWnd& w = Open();
  ClickOn(L"install_btn");
  Worker().OnSlides(true);
  Worker().OnVerifying();
  PumpPendingMessages();
  FailAnsweringTheBox(InstallResult::CheckFailed);
  for (unsigned t : {kTimerVerify, kTimerAnimation, kTimerBanner}) EXPECT_EQ(w.TimerPeriod(t), 0u) << t;
  EXPECT_EQ(w.CloseMode(), 1);

  ClickOn(L"retry_btn");
  EXPECT_EQ(w.CloseMode(), MsgCancel);
  EXPECT_EQ(w.TimerPeriod(kTimerBanner), 3000u);
  Worker().OnVerifying();
  Worker().OnInstalling();
  PumpPendingMessages();
  FailAnsweringTheBox(InstallResult::InstallTimedOut);
  EXPECT_EQ(w.TimerPeriod(kTimerInstalling), 0u);

  // A worker that could not go on ends the attempt the same way.
  ClickOn(L"retry_btn");
  Worker().OnPreparing(true);
  PumpPendingMessages();
  FailAnsweringTheBox(InstallResult::Stopped);
  EXPECT_EQ(w.TimerPeriod(kTimerPreparing), 0u);
  EXPECT_EQ(Page(L"main_tablayout"), 0);
  EXPECT_TRUE(C(L"layout_install_fail")->IsVisible());

  // Only the CDN's "too many requests" counts towards forbidding it.
  const std::wstring counter =
      L"SoftWare\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumevia|RequestTooMuchTimes";
  EXPECT_EQ(os.registry.count(counter), 0u);
  ClickOn(L"retry_btn");
  FailAnsweringTheBox(InstallResult::CdnFailing);
  EXPECT_EQ(os.registry[counter], L"1");
}

TEST_F(MainWnd, ProgressNeverGoesBackAndTimersFollowThePhases) {
  InstallUIMainWnd& w = Open();
  ClickOn(L"install_btn");
  Worker().OnDownloading(30);
  Worker().OnDownloading(25);
  PumpPendingMessages();
  EXPECT_EQ(w.Progress(), 30);
  // The install click passed its checks and handed the worker what it needs.
  ASSERT_EQ(workers.size(), 1u);
  EXPECT_EQ(workers[0]->state, w.State());
  EXPECT_EQ(workers[0]->host, w.Host());
  EXPECT_EQ(workers[0]->observer, w.Host());
  EXPECT_EQ(workers[0]->installFolderName, L"Lumevia");
  ASSERT_TRUE(workers[0]->labels);
  std::wstring label;
  EXPECT_TRUE(workers[0]->labels->LabelText(L"Process_name", label));
  EXPECT_EQ(label, L"Velscape.exe");
  // The worker's reports are handled on the window's thread.
  Worker().OnPreparing(true);
  Worker().OnSlides(true);
  PumpPendingMessages();
  EXPECT_EQ(w.TimerPeriod(kTimerPreparing), 2000u);
  EXPECT_EQ(w.TimerPeriod(kTimerAnimation), 1000u);
  Worker().OnPreparing(false);
  Worker().OnSlides(false);
  Worker().OnVerifying();
  PumpPendingMessages();
  EXPECT_EQ(w.TimerPeriod(kTimerPreparing), 0u);
  EXPECT_EQ(w.TimerPeriod(kTimerAnimation), 0u);
  EXPECT_EQ(w.Progress(), 80);
  EXPECT_EQ(w.TimerPeriod(kTimerVerify), 2000u);
  for (int i = 0; i < 20; ++i) w.SendMsg(kWmTimer, kTimerVerify);
  EXPECT_EQ(w.Progress(), 90);
  EXPECT_EQ(w.TimerPeriod(kTimerVerify), 0u);
  Worker().OnInstalling();
  PumpPendingMessages();
  EXPECT_EQ(w.Progress(), 90);
  EXPECT_EQ(w.TimerPeriod(kTimerInstalling), 1u);  // no package file: the shortest period
  for (int i = 0; i < 20; ++i) w.SendMsg(kWmTimer, kTimerInstalling);
  EXPECT_EQ(w.Progress(), 99);
  EXPECT_EQ(w.TimerPeriod(kTimerInstalling), 0u);
}

// The download spans are the flow's rule (tests/flow).
TEST(MainWndRules, InstallTimerPeriodAdviceAndLicenceHeights) {
  using namespace MainWndRules;
  EXPECT_EQ(InstallTimerPeriod(71680000), 400u);
  EXPECT_EQ(InstallTimerPeriod(0), 1u);
  EXPECT_EQ(InstallTimerPeriod(int64_t{1} << 50), 0x7FFFFFFFu);  // no wrap into a short period
  EXPECT_EQ(AdviceUrl(L"https://h/p.exe", L"LumeviaSetup_abc12.exe", true),
            L"https://h/p.exe?rnclid=abc12&package=LumeviaSetup_abc12.exe");
  EXPECT_EQ(AdviceUrl(L"https://h/p.exe", L"LumeviaSetup.exe", true), L"https://h/p.exe");
  EXPECT_EQ(AdviceUrl(L"https://h/p.exe", L"LumeviaSetup_abc12.exe", false), L"https://h/p.exe");
  EXPECT_EQ(LicenseHeight(2, true), 1900);
  EXPECT_EQ(LicenseHeight(2, false), 1095);
  EXPECT_EQ(LicenseHeight(25, false), 1765);
  EXPECT_EQ(LicenseHeight(-1, false), 1765);
}

TEST(MainWndRules, LanguageFormatsTakeExactlyOneFloatingConversion) {
  using MainWndRules::FormatWithDouble;
  EXPECT_EQ(FormatWithDouble(L"Installing... %0.f%%", 37), L"Installing... 37%");
  EXPECT_EQ(FormatWithDouble(L"%.1fGB", 12.34), L"12.3GB");
  // A translation that asks for other arguments is shown as it is.
  EXPECT_EQ(FormatWithDouble(L"%s %.1f", 1), L"%s %.1f");
  EXPECT_EQ(FormatWithDouble(L"%.1f of %.1f", 1), L"%.1f of %.1f");
  EXPECT_EQ(FormatWithDouble(L"100%", 1), L"100%");
  EXPECT_EQ(FormatWithDouble(L"no number", 1), L"no number");
  // So is one whose width or precision has more than two digits (found by
  // the fuzz target: "%.981597367f" made swprintf ask for a gigabyte).
  EXPECT_EQ(FormatWithDouble(L"%.981597367f", 1), L"%.981597367f");
  EXPECT_EQ(FormatWithDouble(L"%100f", 1), L"%100f");
  EXPECT_EQ(FormatWithDouble(L"%-06.2f|", 1.5), L"1.50  |");
}
