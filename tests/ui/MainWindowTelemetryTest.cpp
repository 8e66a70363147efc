// The window's reports for whole click sequences, recorded through the
// windows' event sink: every record, its texts and its order.
#include <gtest/gtest.h>

#include <atomic>
#include <sstream>

#include "Common/MainWndTelemetry.h"
#include "MainWindowFixture.h"

using namespace SkinUI;

namespace {
// One line per record: "E category|action|label" or
// "F type|function|step|category|action|label"; "(wait)" marks waiting events.
std::string Line(const ui::UiEventRecord& r) {
  std::ostringstream s;
  if (r.funnel)
    s << "F " << r.eventType << "|" << r.coreFunction << "|" << r.step << "|" << r.category << "|" << r.action << "|"
      << r.label;
  else
    s << "E " << r.category << "|" << r.action << "|" << r.label << (r.wait ? " (wait)" : "");
  return s.str();
}

struct Reports : ui_test::MainWindowFixture {
  void SetUp() override {
    MainWindowFixture::SetUp();
    os.stillClock = true;
    // The start date and hour go with the first install click of the
    // process only; that click is made here, unrecorded.
    Open();
    ClickOn(L"install_btn");
    wnd.reset();
    os.registry.clear();
    events.records.clear();
  }
  static std::vector<std::string> Lines(const ui_test::EventRecorder& events) {
    std::vector<std::string> out;
    for (const auto& r : events.records) out.push_back(Line(r));
    return out;
  }
};

const std::vector<std::string> kCreated = {
    "E CrashRate|Start|",
    "F Keypoint|null|0|CorePublicModule|Start|null",
};
const std::vector<std::string> kLaunched = {
    "E Download|1.Launch|",
    "F CoreFuncEvent|BeforeDownload|0|Download|CoreFuncStart|null",
    "F CoreFuncEvent|BeforeDownload|1|Download|Launch|null",
    "F CoreFuncEvent|BeforeDownload|0|Download|CoreFuncEnd|null",
    "E Other|ClickToShowTime|0",
};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// Where the maker's 32-bit programs keep it: the 32-bit view.
const wchar_t kGaPc[] = L"SOFTWARE\\WOW6432Node\\Marlowgate\\Downloader2.5.0|GA_PC";
}  // namespace

TEST_F(Reports, InstallFailAdviceRetryFinishStartAndClose) {
  os.registry[kGaPc] = L"1";  // the machine facts were sent before
  InstallUIMainWnd& w = Open();
  // A folder of the user's choice, one the checks can create on any system.
  C(L"install_file_path_edit")->SetText(platform::JoinPath(platform::JoinPath(os.Dir(), L"Apps"), L"Lumevia"));
  ClickOn(L"install_btn");
  FailAnsweringTheBox(InstallResult::NoNetwork);
  ClickLink(L"text_fail_advice", 0);
  ClickOn(L"retry_btn");
  FailAnsweringTheBox(InstallResult::CheckFailed);
  ClickLink(L"text_fail_advice", 0);
  ClickOn(L"retry_btn");
  w.SendMsg(WM_PROGRAM_INSTALL_FINISH);
  // The start click, delivered at once (as the automatic start does): no
  // product in the test's folder, so box 12 comes up and is answered.
  SkinUI::PostQuitMessage(0);
  w.SendMsg(WM_AUTO_START_APP);
  w.SendMsg(kWmClose);

  const std::vector<std::string> expected = Join({kCreated, kLaunched,
                                                  {
                                                      "E Download|2.DownStart|",
                                                      "F CoreFuncEvent|Downloading|0|Download|CoreFuncStart|null",
                                                      "F CoreFuncEvent|Downloading|1|Download|DownStart|null",
                                                      "E Other|SetLanguage|English",
                                                      "E Other|SetPath|",
                                                      "E Download|8.DownFail|First",
                                                      "E Download|8-2.ClickInstallLink|First",
                                                      "E Download|8-1.ClickTryAgain|First",
                                                      "F CoreFuncEvent|Downloading|0|Download|CoreFuncStart|null",
                                                      "E Download|8-2.ClickInstallLink|Retry",
                                                      "E Download|8-1.ClickTryAgain|Retry",
                                                      "F CoreFuncEvent|Downloading|0|Download|CoreFuncStart|null",
                                                      "E Download|7.ProgramLaunch| (wait)",
                                                      "F CoreFuncEvent|Starting|0|Download|CoreFuncStart|null",
                                                      "F CoreFuncEvent|Starting|1|Download|ProgramLaunch|null",
                                                      "E CrashRate|Close|close07",
                                                      "F Keypoint|Starting|0|CorePublicModule|Close|null",
                                                  }});
  EXPECT_EQ(Lines(events), expected);
}

TEST_F(Reports, FirstRunOnAMachineSendsItsFactsOnceAndClosingBeforeInstallSaysSo) {
  Open();
  EXPECT_EQ(os.registry[kGaPc], L"1");
  wnd->SendMsg(kWmClose);
  std::vector<std::string> lines = Lines(events);
  ASSERT_EQ(lines.size(), kCreated.size() + 3 + kLaunched.size() + 2);
  // The machine's system, language and screen, between the start and the launch.
  EXPECT_EQ(lines[2].rfind("E PC|SysOS|", 0), 0u) << lines[2];
  EXPECT_EQ(lines[3].rfind("E PC|SysLanguage|", 0), 0u) << lines[3];
  EXPECT_EQ(lines[4].rfind("E PC|SysScreenResolution|", 0), 0u) << lines[4];
  lines.erase(lines.begin() + 2, lines.begin() + 5);
  EXPECT_EQ(lines, Join({kCreated, kLaunched,
                         {"E CrashRate|Close|close01", "F Keypoint|BeforeDownload|0|CorePublicModule|Close|null"}}));

  // The next window on this machine leaves them out.
  events.records.clear();
  Open();
  EXPECT_EQ(Lines(events), Join({kCreated, kLaunched}));
}

namespace {
class FixedClockOs : public platform::ForwardingOs {
 public:
  int64_t UnixTimeMs() override { return 1765195200000; }  // 2025-12-08 12:00 UTC, 20:00 in UTC+8
};
}  // namespace

TEST(MainWndTelemetryCalls, TheStartTimeGoesWithTheFirstInstallClickOnly) {
  FixedClockOs clock;
  platform::ScopedOs scoped(clock);
  std::atomic<bool> firstClickSent{false};
  MainWndTelemetry telemetry(&firstClickSent);
  ui_test::EventRecorder events;
  telemetry.InstallClicked(Lang_Czech, false);
  telemetry.InstallClicked(42, true);  // an unknown language reports as English
  EXPECT_EQ(Reports::Lines(events),
            (std::vector<std::string>{
                "E Download|2.DownStart|",
                "F CoreFuncEvent|Downloading|0|Download|CoreFuncStart|null",
                "F CoreFuncEvent|Downloading|1|Download|DownStart|null",
                "E Download|StartTimeDate|2025-12-08",
                "E Download|StartTimeHour|20",
                "E Other|SetLanguage|Czech",
                "E Download|2.DownStart|",
                "F CoreFuncEvent|Downloading|0|Download|CoreFuncStart|null",
                "F CoreFuncEvent|Downloading|1|Download|DownStart|null",
                "E Other|SetLanguage|English",
                "E Other|SetPath|",
            }));
}

TEST(MainWndTelemetryCalls, SizesAndLabelsOfTheRemainingReports) {
  MainWndTelemetry telemetry;
  ui_test::EventRecorder events;
  telemetry.MachineFacts("Windows 10 64bit", "English", 1920, 1080);
  telemetry.DownloadFailed(true);
  telemetry.ProgramLaunchClicked(false);
  EXPECT_EQ(Reports::Lines(events), (std::vector<std::string>{
                                        "E PC|SysOS|Windows 10 64bit",
                                        "E PC|SysLanguage|English",
                                        "E PC|SysScreenResolution|1920*1080",
                                        "E Download|8.DownFail|Retry",
                                        "E Download|7.ProgramLaunch|",
                                        "F CoreFuncEvent|Starting|0|Download|CoreFuncStart|null",
                                        "F CoreFuncEvent|Starting|1|Download|ProgramLaunch|null",
                                    }));
}
