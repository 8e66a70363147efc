// The install worker from the download information to the installed product.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <stdexcept>

#include "WorkerFixture.h"
#include "FuntionImpl/Md5.h"
#include "engine/CDownLoadImpl.h"
#include "platform/Utf.h"

using namespace flowtest;

namespace {

constexpr unsigned kFailed = static_cast<unsigned>(-1);

std::vector<std::string> Times(int n, const std::string& s) { return std::vector<std::string>(n, s); }

}  // namespace

TEST_F(WorkerRun, SuccessfulRunReportsEveryStepInOrder) {
  setup.animationFrames = 3;
  host->controls[L"product_url_english"] = L"https://lumevia.example/welcome";
  EXPECT_EQ(0u, run());

  EXPECT_EQ(observer->reports(),
            (std::vector<std::string>{"slides", "verifying", "slides stop", "installing", "installed", "start"}));
  EXPECT_EQ(flowRecords(), (std::vector<std::string>{
                               "X Download|DownloadConfigReady|DownloadConfigReadyCDN|Download_url",
                               "E Download|3.Downloading...|First",
                               "F Downloading|2|Downloading|main",
                               "X Download|SliceDownloadStart||",
                               "E Other|PackageSize|1.00MB",
                               "E Download|4.DownFinsh|First",
                               "F Downloading|3|DownFinsh|main",
                               "E Other|MDownloadTime|0",
                               "F Downloading|0|CoreFuncEnd|main",
                               "E Other|DownloadSpeed|1003.91MB/s",  // the clock stood still: 1 ms
                               "E DownloadTime|Server|0s",
                               "E Other|DownloadTime|0",
                               "X Download|DownloadSuccess|DownloadSuccessCDN|Download_url",
                               "E Download|Md5CheckStart|",
                               "F Md5Check|0|CoreFuncStart|main",
                               "F Md5Check|1|Md5CheckStart|main",
                               "E Download|Md5CheckFinsh|",
                               "E Other|MMD5CheckTime|0",
                               "F Md5Check|2|Md5CheckFinsh|main",
                               "E Other|MD5CheckTime|0",
                               "F Md5Check|0|CoreFuncEnd|main",
                               "E Download|5.ProgramInstall|First",
                               "F Installing|0|CoreFuncStart|main",
                               "F Installing|1|ProgramInstall|main",
                               "E Other|MInstallTime|0",
                               "F Installing|2|ProgramFinsh|main",
                               "E Download|6.ProgramFinsh|First",
                               "F Installing|0|CoreFuncEnd|main",
                               "E Other|InstallTime|0",
                               "E Other|ProductVersion|3.1.0",
                           }));

  // The installer: the package, its command line, one wait, its handle closed.
  ASSERT_EQ(os.starts().size(), 1u);
  EXPECT_EQ(os.starts()[0].program, packagePath());
  const std::string line = platform::Utf8FromWide(os.starts()[0].commandLine);
  const std::string logPrefix = platform::Utf8FromWide(platform::JoinPath(os.temp, L"Lumevia_Setup_"));
  EXPECT_EQ(line.rfind(" /VERYSILENT /SP- /NORESTART /DIR=\"D:\\Apps\\Lumevia\\\" /LANG=en /LOG=\"" + logPrefix, 0), 0u)
      << line;
  EXPECT_TRUE(std::regex_search(line, std::regex("_Setup_20[0-9]{12}\\.log\" /sptrack \"LumeviaSetup_abc12\\.exe\"$")))
      << line;
  EXPECT_EQ(os.openHandles, 0);
  EXPECT_EQ(os.waits, 1);
  EXPECT_EQ(state->phase, 1);
  EXPECT_TRUE(state->installerFinished);
  EXPECT_EQ(state->PackagePath(), packagePath());
  EXPECT_EQ(state->CurrentDownloadUrl(), kPackageUrlW);
  EXPECT_EQ(CDownLoadImpl::fileMd5(packagePath()), FuntionImpl::Md5Hex(package));
  // The product page opens, and the product learns the language.
  EXPECT_EQ(os.shellOpens, (std::vector<std::pair<std::wstring, std::wstring>>{
                               {L"https://lumevia.example/welcome", L""}}));
  EXPECT_TRUE(log.has(" Open Url: https://lumevia.example/welcome"));
  for (const char* text : {" Speed-Test Totally Take 0 ms", " Download Totally Takes about 0s And Send To Server",
                           " after md5 ", " Cmd Finished, nWaitSeconds: 0",
                           " Install Totally Take 0.0 minutes And Send To Server"})
    EXPECT_TRUE(log.has(text)) << text;
  EXPECT_TRUE(os.boxes.empty());
  EXPECT_TRUE(reports().empty());
}

TEST_F(WorkerRun, LanguageSwitchFollowsTheDownloaderIdAndTheOverridePicksTheProductPage) {
  setup.language = 1;  // Japanese
  setup.languageOverride = 2;
  setup.addTracking = false;
  config->Update([&](ProductConfig& r) {
    r.Downloader_id = 117;
    r.NeedStart_flag = 0;
  });
  host->controls[L"product_url_japanese"] = L"https://lumevia.example/ja";
  host->controls[L"product_url_chinesesimp"] = L"https://lumevia.example/zh";
  ASSERT_EQ(0u, run());
  EXPECT_NE(os.starts()[0].commandLine.find(L" /LANG=jp /LOG="), std::wstring::npos);
  EXPECT_EQ(os.starts()[0].commandLine.substr(os.starts()[0].commandLine.size() - 14), L" /sptrack null");
  ASSERT_EQ(os.shellOpens.size(), 1u);
  EXPECT_EQ(os.shellOpens[0].first, L"https://lumevia.example/zh");
  EXPECT_EQ(observer->reports().back(), "installed") << "no start without NeedStart_flag";
}

TEST_F(WorkerRun, ServiceTextNeverAddsASwitchNorOpensAnotherScheme) {
  config->Update([&](ProductConfig& r) { r.Software_name = L"Lumevia\" /DIR=\"C:\\Evil"; });
  host->controls[L"product_url_english"] = L"file:///c:/windows/system32/calc.exe";
  ASSERT_EQ(0u, run());
  const std::wstring line = os.starts()[0].commandLine;
  EXPECT_EQ(line.find(L"/DIR="), line.rfind(L"/DIR=")) << platform::Utf8FromWide(line);
  EXPECT_EQ(line.find(L"Evil"), std::wstring::npos) << platform::Utf8FromWide(line);
  // The log is named after the download's product folder instead.
  EXPECT_NE(line.find(L"Lumevia_setup_Setup_"), std::wstring::npos) << platform::Utf8FromWide(line);
  EXPECT_TRUE(os.shellOpens.empty());
}

TEST_F(WorkerRun, JapaneseOfOtherDownloadersIsJa) {
  setup.language = 1;
  config->Update([&](ProductConfig& r) { r.Downloader_id = 121; });
  ASSERT_EQ(0u, run());
  EXPECT_NE(os.starts()[0].commandLine.find(L" /LANG=ja /LOG="), std::wstring::npos);
}

TEST_F(WorkerRun, SuccessOnTheThirdAttemptIsAnAutomaticRetry) {
  os.networkDownFor = 2;  // the first pass of two attempts finds no network
  ASSERT_EQ(0u, run());
  EXPECT_EQ(events.labels("Other", "FlowError"), Times(2, "DL010"));
  EXPECT_EQ(events.labels("Other", "DownErrorCode"), Times(2, "error9"));
  EXPECT_EQ(events.labels("Download", "4.DownFinsh"), Times(1, "AutoRetry"));
  EXPECT_TRUE(log.has(" The Retry Frequency is: 0"));
  EXPECT_TRUE(log.has(" The Retry Frequency is: 1"));
  EXPECT_TRUE(log.has("Success\xA3\xACThe Retry Frequency is: 2"));
  EXPECT_EQ(observer->reports().back(), "start");
}

TEST_F(WorkerRun, UserRetryLabelsEveryPhaseRetry) {
  state->retry = true;
  ASSERT_EQ(0u, run());
  for (const char* action : {"3.Downloading...", "4.DownFinsh", "5.ProgramInstall", "6.ProgramFinsh"})
    EXPECT_EQ(events.labels("Download", action), Times(1, "Retry")) << action;
}

TEST_F(WorkerRun, UserRetryCountsItsBytesAfresh) {
  ASSERT_EQ(0u, run());
  for (const wchar_t* ext : {L"", L".xml", L".db"}) os.RemoveFile(packagePath() + ext);
  state->retry = true;
  ASSERT_EQ(0u, run());
  EXPECT_EQ(events.labels("Other", "PackageSize"), Times(2, "1.00MB"));
  EXPECT_EQ(state->totalBytes, static_cast<int64_t>(package.size()));
}

// ---- Download failures ------------------------------------------------------------

struct FailureCase {
  const char* name;
  int result;
  const char* code;
  InstallResult reported;
};

class DownloadFailure : public WorkerRun, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(DownloadFailure, FourAttemptsThenOneFailureMessageWithTheLastResult) {
  const FailureCase& c = GetParam();
  http::FakeAnswer answer;
  switch (c.result) {
    case 9:
      os.network = false;
      break;
    case 10: {
      // The size is known, no slice ever delivers, and the clock runs.
      clients->web.handle(kPackageUrl, [this](const http::FakeRequest& r) {
        http::FakeAnswer a;
        if (r.method == "HEAD") a.headers = {{"Content-Length", std::to_string(package.size())}};
        else a.status = 503;
        return a;
      });
      os.tickStep = 1000;
      break;
    }
    case 6:
      answer.status = 404;
      clients->web.answer(kPackageUrl, answer);
      break;
    case 13:
      clients->web.redirect(kPackageUrl, kPackageUrl);
      break;
    case 15:
      clients->web.serveFile(kPackageUrl, std::string(600000, 'x'));
      break;
    case 16:  // one byte more than the configuration's Filesize
      clients->web.serveFile(kPackageUrl, package + "x");
      break;
  }
  EXPECT_EQ(kFailed, run());
  EXPECT_EQ(events.labels("Other", "FlowError"), Times(4, c.code));
  EXPECT_EQ(events.labels("Other", "DownErrorCode"), Times(4, "error" + std::to_string(c.result)));
  EXPECT_EQ(events.labels("Download", "4.DownFinsh"), Times(1, "AutoRetry"));
  EXPECT_EQ(observer->reports(), std::vector<std::string>{RecordingObserver::Failed(c.reported)});
  EXPECT_TRUE(log.has(" The Retry Frequency is: 2"));
  EXPECT_TRUE(log.has(" The Retry Frequency is: 3"));
  EXPECT_TRUE(os.starts().empty());
  EXPECT_EQ(events.labels("Download", "Md5CheckStart").size(), 0u);
  // Only too many redirects is reported to the exception collector.
  const std::vector<std::string> bodies = reports();
  if (c.result == 13) {
    ASSERT_EQ(bodies.size(), 4u);
    EXPECT_EQ(bodies[0], "pid=642&type=2&exception_code=Url_Too_Many_Redirects&other=," +
                             std::string(kPackageUrl));
    EXPECT_TRUE(log.has(" Send error report1, response is "));
  } else {
    EXPECT_TRUE(bodies.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Results, DownloadFailure,
                         ::testing::Values(FailureCase{"NoNetwork", 9, "DL010", InstallResult::NoNetwork},
                                           FailureCase{"Stalled", 10, "DL011", InstallResult::Stalled},
                                           FailureCase{"SizeUnknown", 6, "DL012", InstallResult::SizeUnknown},
                                           FailureCase{"TooManyRedirects", 13, "DL022",
                                                       InstallResult::TooManyRedirects},
                                           FailureCase{"TooSmall", 15, "DL017", InstallResult::TooSmall},
                                           FailureCase{"LargerThanConfigured", 16, "DL017", InstallResult::TooLarge}),
                         [](const ::testing::TestParamInfo<FailureCase>& i) { return std::string(i.param.name); });

TEST_F(WorkerRun, AnExceptionEndsTheRunWithOneFailureTheWindowShows) {
  clients->web.handle(kPackageUrl, [](const http::FakeRequest&) -> http::FakeAnswer {
    throw std::runtime_error("no memory for the answer");
  });
  EXPECT_EQ(kFailed, run());
  EXPECT_EQ(observer->reports(), std::vector<std::string>{RecordingObserver::Failed(InstallResult::Stopped)});
  EXPECT_TRUE(log.has(" Install worker stopped: no memory for the answer"));
}

// ---- Before the download ------------------------------------------------------------

TEST_F(WorkerRun, NoUsableAddressOrAnEscapingVersionFailsAsUnusable) {
  config->Update([&](ProductConfig& r) { r.MirrorUrls = {L"https://cdn.lumevia.example/a.exe"}; });
  EXPECT_EQ(kFailed, run());
  EXPECT_EQ(config->GetLoadState(), 1);
  EXPECT_EQ(events.labels("Other", "FlowError"), Times(1, "DL023"));
  EXPECT_EQ(observer->reports(), std::vector<std::string>{RecordingObserver::Failed(InstallResult::UnusableAddress)});

  // The version goes into the file name: it may not climb out of the folder.
  config->Update([&](ProductConfig& r) {
    r.LoadState = 2;
    r.MirrorUrls = {kPackageUrlW};
    r.Software_version = L"..\\..\\Startup\\x";
  });
  EXPECT_EQ(kFailed, run());
  EXPECT_EQ(config->GetLoadState(), 1);
  EXPECT_EQ(events.labels("Other", "FlowError"), Times(2, "DL023"));
  EXPECT_EQ(observer->reports().back(), RecordingObserver::Failed(InstallResult::UnusableAddress));
  EXPECT_TRUE(log.has(" Package name refused, version: ..\\..\\Startup\\x"));
  EXPECT_EQ(clients->web.requests().size(), 0u) << "nothing was downloaded";
}

TEST_F(WorkerRun, DownloadFolderThatCannotBeMadeEndsWithOneFailure) {
  ASSERT_TRUE(os.WriteFile(downloadFolder(), "a file, not a folder"));
  EXPECT_EQ(kFailed, run());
  EXPECT_EQ(observer->reports(), std::vector<std::string>{RecordingObserver::Failed(InstallResult::Stopped)});
  EXPECT_TRUE(log.has(" Create download folder failed: "));
  EXPECT_EQ(clients->web.requests().size(), 0u);
}

TEST_F(WorkerRun, ShortTemporaryDriveEndsTheRun) {
  // The drive root as the checks ask for it: "Z:\" under Wine, "/" natively.
  const std::wstring root = os.temp.size() > 1 && os.temp[1] == L':' ? os.temp.substr(0, 2) + L"\\" : L"/";
  os.freeByRoot[root] = 1000;
  EXPECT_EQ(kFailed, run());
  EXPECT_EQ(observer->reports(), std::vector<std::string>{RecordingObserver::Failed(InstallResult::NoSpace)});
  EXPECT_EQ(events.labels("Other", "FlowError"), Times(1, "DL008"));
  EXPECT_EQ(events.labels("Other", "NoEnoughSpace"), Times(1, "download_1000"));
}

TEST_F(WorkerRun, ShortInstallDriveMovesTheFolderOnceThenGivesUp) {
  os.freeByRoot[L"D:\\"] = 5000;
  os.freeByRoot[L"E:\\"] = 7000;
  EXPECT_EQ(kFailed, run());
  EXPECT_EQ(host->folderText, L"E:\\Apps\\Lumevia");
  EXPECT_EQ(observer->reports(), std::vector<std::string>{RecordingObserver::Failed(InstallResult::NoSpace)});
  EXPECT_EQ(events.labels("Other", "FlowError"), Times(1, "DL008"));
  EXPECT_EQ(events.labels("Other", "NoEnoughSpace"), Times(1, "install_7000"));

  // Room on the other drive: the run goes on there.
  host->folderText = L"D:\\Apps\\Lumevia";
  os.freeByRoot[L"E:\\"] = uint64_t{1} << 40;
  EXPECT_EQ(0u, run());
  EXPECT_NE(os.starts().back().commandLine.find(L"/DIR=\"E:\\Apps\\Lumevia\\\""), std::wstring::npos);
}

TEST_F(WorkerRun, SixtyFourBitAddressMissingFallsBackToTheFirstServiceLabel) {
  const wchar_t k64[] = L"http://pkg.test/files/Lumevia_64.exe";
  config->Update([&](ProductConfig& r) { r.MirrorUrls = {k64}; });
  http::FakeAnswer missing;
  missing.status = 404;
  clients->web.answer("http://pkg.test/files/Lumevia_64.exe", missing);
  labels->labels[L"Download_url"] = L"https://dl.lumevia.example/Lumevia_setup.exe";  // a CDN: skipped
  os.system64 = true;  // the stub is 64-bit itself: never under WOW64
  ASSERT_EQ(0u, run());
  EXPECT_EQ(events.labels("Download", "64PC32Link"), Times(1, ""));
  EXPECT_TRUE(log.has(" Curl check 64Bit link, http code is 404, curl code is 0"));
  EXPECT_TRUE(log.has(" UrlUsed change to: http://pkg.test/files/Lumevia_setup.exe"));
  EXPECT_EQ(state->CurrentDownloadUrl(), kPackageUrlW);

  // A 32-bit system never asks: it downloads the address it was given.
  os.system64 = false;
  EXPECT_EQ(kFailed, run());
  EXPECT_EQ(events.labels("Download", "64PC32Link").size(), 1u);
  const std::vector<std::string> lines = log.lines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.find(" Curl check 64Bit link") != std::string::npos; }),
            1);
  EXPECT_EQ(state->CurrentDownloadUrl(), k64);
}

TEST_F(WorkerRun, StaleRecordRemovesAPackageOfAnotherVersionOrDigest) {
  os.network = false;  // the download itself fails at once
  platform::nativeOs().CreateDirectories(downloadFolder());
  struct Case {
    std::string record;
    bool removesPackage;
  };
  const std::string md5Upper = [&] {
    std::string s = FuntionImpl::Md5Hex(package);
    for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return s;
  }();
  for (const Case& c : {Case{"3.0.9###" + FuntionImpl::Md5Hex(package), true},
                        Case{FuntionImpl::Md5Hex(package), true}, Case{"3.1.0###ffff", true},
                        Case{"3.1.0###" + md5Upper + "\r\nmore", false}}) {
    for (const wchar_t* ext : {L"", L".xml"}) platform::nativeOs().WriteFile(packagePath() + ext, "old");
    platform::nativeOs().WriteFile(packagePath() + L".db", c.record);
    const size_t before = os.removed().size();
    run();
    const std::vector<std::wstring> all = os.removed();
    const std::vector<std::wstring> removed(all.begin() + static_cast<long>(before), all.end());
    const auto db = std::find(removed.begin(), removed.end(), packagePath() + L".db");
    ASSERT_NE(db, removed.end()) << c.record;
    const std::vector<std::wstring> first(removed.begin(), db);
    const std::vector<std::wstring> expected =
        c.removesPackage ? std::vector<std::wstring>{packagePath(), packagePath() + L".xml"} : std::vector<std::wstring>();
    EXPECT_EQ(first, expected) << c.record;
  }
}

TEST_F(WorkerRun, LabelPassClearsTheOldDownloadAndSkipsTheDigest) {
  config->Update([&](ProductConfig& r) { r.LoadState = 1; });
  labels->labels[L"Software_version"] = L"3.1.0";
  labels->labels[L"Md5"] = L"00000000000000000000000000000000";  // would fail a comparison
  labels->labels[L"Filesize"] = std::to_wstring(package.size());
  ASSERT_EQ(0u, run());
  EXPECT_EQ(observer->reports(), (std::vector<std::string>{"preparing", "prepared", "verifying", "slides stop",
                                                            "installing", "installed", "start"}));
  EXPECT_TRUE(log.has(" Configure Load From File, clearAppData Before Download! "));
  EXPECT_TRUE(events.labels("Other", "FlowError").empty()) << "the digest is not compared";
}

TEST_F(WorkerRun, NonInstallerPackageLandsOnTheDesktopAndEndsThere) {
  const wchar_t kApk[] = L"http://pkg.test/files/Lumevia.apk";
  clients->web.serveFile("http://pkg.test/files/Lumevia.apk", package);
  config->Update([&](ProductConfig& r) {
    r.MirrorUrls = {kApk};
    r.Extra_download_url = kApk;
  });
  labels->labels[L"Extra_download_url"] = kApk;
  EXPECT_EQ(1u, run());
  const std::wstring apk = platform::JoinPath(platform::JoinPath(os.desktop, L"Lumevia"), L"Lumevia_3.1.0.apk");
  EXPECT_EQ(state->PackagePath(), apk);
  EXPECT_EQ(platform::nativeOs().FileSize(apk), static_cast<int64_t>(package.size()));
  EXPECT_EQ(observer->reports(), std::vector<std::string>{"downloaded"});
  EXPECT_TRUE(log.has("APP DownloaderSucceed"));
  EXPECT_TRUE(os.starts().empty());
}
