// The worker's text rules: names, command lines, figures, the report body,
// and the download progress model.
#include <gtest/gtest.h>

#include <memory>

#include "WorkerTestSupport.h"
#include "flow/DownloadProgress.h"
#include "flow/InstallCommandLine.h"
#include "flow/InstallResult.h"
#include "platform/Utf.h"

using namespace InstallText;

TEST(InstallText, CommandLinesAreWholeAndQuoteTheFolderAsTheInstallerReadsIt) {
  EXPECT_EQ(InstallerCommandLine(L"C:\\Program Files\\Lumevia", L"jp", L"C:\\T\\Lumevia_Setup_1.log", L"null"),
            L" /VERYSILENT /SP- /NORESTART /DIR=\"C:\\Program Files\\Lumevia\\\" /LANG=jp "
            L"/LOG=\"C:\\T\\Lumevia_Setup_1.log\" /sptrack null");
  EXPECT_EQ(SubProgramCommandLine(L"C:\\P\\Kit", L"de", L"C:\\P\\k.exe.install.log", L"\"S_x.exe\""),
            L" /VERYSILENT /SP- /NORESTART /DIR=\"C:\\P\\Kit\" /LANG=de /LOG=\"C:\\P\\k.exe.install.log\" "
            L"/sptrack \"S_x.exe\"");
  // Nothing is cut: a folder of 2000 characters reaches the installer whole.
  const std::wstring deep = L"C:\\" + std::wstring(2000, L'a');
  const std::wstring line = InstallerCommandLine(deep, L"en", L"C:\\l.log", L"null");
  EXPECT_NE(line.find(deep + L"\\\" /LANG=en"), std::wstring::npos);
  EXPECT_EQ(line.substr(line.size() - 13), L"/sptrack null");
}

TEST(InstallText, TrackingValueNeedsTheFlagAndAnUnderscoreInTheStubName) {
  EXPECT_EQ(TrackingValue(true, L"C:\\dl\\LumeviaSetup_abc12.exe"), L"\"LumeviaSetup_abc12.exe\"");
  EXPECT_EQ(TrackingValue(true, L"C:\\dl_x\\LumeviaSetup.exe"), L"null");  // the folder's "_" does not count
  EXPECT_EQ(TrackingValue(false, L"C:\\dl\\LumeviaSetup_abc12.exe"), L"null");
}

TEST(InstallText, LogNameCarriesTheLocalTime) {
  std::tm t{};
  t.tm_year = 2024 - 1900, t.tm_mon = 0, t.tm_mday = 5, t.tm_hour = 7, t.tm_min = 8, t.tm_sec = 9;
  EXPECT_EQ(InstallLogName(L"Lumevia", t), L"Lumevia_Setup_20240105070809.log");
}

TEST(InstallText, PackageAndFolderNamesComeFromTheLabelAndRefuseEscapingVersions) {
  const std::wstring exe = L"https://dl.example.com/a.b/Lumevia_setup.full.exe";
  EXPECT_EQ(ProductFolderName(exe, L"Lumevia"), L"Lumevia_setup");
  EXPECT_EQ(ProductFolderName(L"https://h/", L"Lumevia"), L"Lumevia");
  // Up to the first dot after the last "/"; without one the software name.
  EXPECT_EQ(ProductFolderName(L"https://h/app.v2.exe", L"Lumevia"), L"app");
  EXPECT_EQ(ProductFolderName(L"https://h/download", L"Lumevia"), L"Lumevia");
  EXPECT_EQ(ProductFolderName(L"https://h.example.com/.hidden", L"Lumevia"), L"Lumevia");
  EXPECT_EQ(ProductFolderName(L"", L"Lumevia"), L"Lumevia");
  EXPECT_EQ(PackageFileName(exe, L"3.1.0"), L"Lumevia_setup.full_3.1.0.exe");
  EXPECT_EQ(PackageFileName(L"https://h/app/Lumevia.apk?x", L"2"), L"Lumevia_2.apk");
  EXPECT_EQ(PackageFileName(exe, L""), L"Lumevia_setup.full_.exe");
  EXPECT_EQ(PackageFileName(L"https://h.example.com/a.b/app", L"3"), L"app_3.apk");
  // Each rejected form is in the name rule's own table (SafeNameTest).
  for (const wchar_t* bad : {L"..\\..\\x", L"1\" /X"})
    EXPECT_EQ(PackageFileName(exe, bad), L"") << platform::Utf8FromWide(bad);
  EXPECT_EQ(PackageFileName(L"https://h/", L"1"), L"") << "no name at all";
  EXPECT_EQ(ProductFolderName(L"https://h/", L"Lumevia\\..\\Other"), L"");
}

TEST(InstallText, StaleRecordMatchesOnlyItsVersionAndAnExpectedDigest) {
  const std::wstring md5 = L"0123456789abcdef0123456789abcdef";
  EXPECT_TRUE(RecordMatches(L"3.1.0###0123456789ABCDEF0123456789ABCDEF", L"3.1.0", md5, L""));
  EXPECT_TRUE(RecordMatches(L"3.1.0###ffff", L"3.1.0", md5, L"ffff"));
  EXPECT_FALSE(RecordMatches(L"3.0.9###" + md5, L"3.1.0", md5, L""));
  EXPECT_FALSE(RecordMatches(L"3.1.0###eeee", L"3.1.0", md5, L""));
  EXPECT_FALSE(RecordMatches(md5, L"", md5, L"")) << "a line without ### has an empty version part";
  EXPECT_FALSE(RecordMatches(L"###", L"", L"", L"")) << "an empty digest vouches for nothing";
}

TEST(InstallResults, EachResultHasItsCodesAndBoxAndEngineNumbersMapOnce) {
  using R = InstallResult;
  constexpr int kNoBox = -1;
  struct Expected {
    R result;
    int engine;  // 0: the worker's own
    const char* flowError;
    const char* subFlowError;
    int box;
    bool downloadFailure;
  };
  const Expected table[] = {
      {R::SizeUnknown, 6, "DL012", "DL012", MsgUrlFail, true},
      {R::FileOpenFailed, 7, "DL017", "DL017", MsgUrlFail, true},
      {R::NoThreads, 8, "DL017", "DL017", MsgUrlFail, true},
      {R::NoNetwork, 9, "DL010", "DL010", MsgInternetFail, true},
      {R::Stalled, 10, "DL011", "DL011", MsgInternetTimeout, true},
      {R::CdnFailing, 11, "DL017", "DL017", MsgInternetTimeout, true},
      {R::Incomplete, 12, "DL017", "DL017", MsgUrlFail, true},
      {R::TooManyRedirects, 13, "DL022", "DL017", MsgUrlFail, true},  // a sub-program has no code of its own
      {R::TooSmall, 15, "DL017", "DL017", MsgUrlFail, true},
      {R::TooLarge, 16, "DL017", "DL017", MsgUrlFail, true},
      {R::UnusableAddress, 0, "DL023", "DL023", MsgUrlFail, true},
      {R::Stopped, 0, "", "", MsgUrlFail, true},
      {R::NoSpace, 0, "", "", kNoBox, false},
      {R::CheckFailed, 0, "", "", MsgMd5Fail, false},
      {R::InstallTimedOut, 0, "DL016", "", MsgInstallRunTimeOut, false},
      {R::InstallFailed, 0, "", "", MsgInstallRunTimeOut, false},
  };
  for (const Expected& e : table) {
    const InstallResultRow& row = InstallResults::Row(e.result);
    const int n = static_cast<int>(e.result);
    EXPECT_EQ(row.result, e.result) << n << " has no row of its own";
    EXPECT_STREQ(row.flowError, e.flowError) << n;
    EXPECT_STREQ(row.subFlowError, e.subFlowError) << n;
    EXPECT_EQ(row.hasBox ? static_cast<int>(row.box) : kNoBox, e.box) << n;
    EXPECT_EQ(row.shownAsDownloadFailure, e.downloadFailure) << n;
    if (e.engine != 0) {
      EXPECT_EQ(InstallResults::FromEngine(e.engine), e.result) << e.engine;
      EXPECT_EQ(InstallResults::EngineErrorLabel(e.result), "error" + std::to_string(e.engine));
    }
  }
  EXPECT_EQ(InstallResults::FromEngine(1), R::Succeeded);
  // Numbers the engine never gives, the worker's own included, end the run.
  for (int unknown : {0, 2, 14, -1, 99}) EXPECT_EQ(InstallResults::FromEngine(unknown), R::Stopped) << unknown;
}

TEST(InstallText, BucketsAndSpeed) {
  EXPECT_EQ(DownloadTimeBucket(0), "0s");
  EXPECT_EQ(DownloadTimeBucket(9), "[1~10s]");
  EXPECT_EQ(DownloadTimeBucket(10), "[1~10s]");
  EXPECT_EQ(DownloadTimeBucket(11), "[11~20s]");
  EXPECT_EQ(DownloadTimeBucket(25), "[21~30s]");
  EXPECT_EQ(DownloadTimeBucket(30), "[21~30s]");
  EXPECT_EQ(DownloadSpeedText(2 * 1048576, 1000), "2.00MB/s");
  EXPECT_EQ(DownloadSpeedText(1048576, 0), "1000.00MB/s") << "0 ms counts as 1";
}

TEST(InstallText, ReportBodyEncodesItsValuesButNotItsCodes) {
  EXPECT_EQ(FormEncode("a&b=c%d+e f\xC3\xA9\x01,/:?"), "a%26b%3Dc%25d%2Be%20f%C3%A9%01,/:?");
  const std::string query = "http://127.0.0.1:8480/queryDownloaderV2?LanguageId=1033&SoftWareID=642";
  EXPECT_EQ(ExceptionReportBody(642, "MD5_Check_Fail_Cfg1", query, "http://h/p.exe?a=1&b=2"),
            "pid=642&type=2&exception_code=MD5_Check_Fail_Cfg1&other="
            "http://127.0.0.1:8480/queryDownloaderV2?LanguageId%3D1033%26SoftWareID%3D642,"
            "http://h/p.exe?a%3D1%26b%3D2");
  // No fixed buffer: a long address arrives whole.
  const std::string longUrl = "http://h/" + std::string(3000, 'x');
  EXPECT_EQ(ExceptionReportBody(1, "c", "", longUrl).size(), std::string("pid=1&type=2&exception_code=c&other=,").size() + longUrl.size());
}

TEST(DownloadProgressModel, SpansFollowTheSubProgramCounterAndThePackageSizeIsSentOnce) {
  using DownloadProgressRules::DownloadSpan;
  auto span = [](bool toolkit, int counter, int records) {
    DownloadProgressRules::ProgressSpan s = DownloadSpan(toolkit, counter, records);
    return s.offset * 100 + s.span;
  };
  EXPECT_EQ(span(false, 0, 2), 80);
  EXPECT_EQ(span(true, 0, 2), 40);
  EXPECT_EQ(span(true, 1, 2), 4020);
  EXPECT_EQ(span(true, 1, 1), 4040);
  EXPECT_EQ(span(true, 2, 2), 6020);
  EXPECT_EQ(span(true, 2, 1), 80);
  EXPECT_EQ(span(true, 0, 3), 80);

  flowtest::RecordingEvents events;
  auto state = std::make_shared<InstallState>();
  auto observer = std::make_shared<flowtest::RecordingObserver>();
  state->subPrograms.Append({});
  state->subPrograms.Append({});
  DownloadProgress progress(state, observer, true);
  progress.OnDownloadProgress(0, 0);  // size not known yet: nothing to record
  progress.OnDownloadProgress(3 * 1048576 / 2, 3 * 1048576);
  progress.OnDownloadProgress(3 * 1048576, 3 * 1048576);
  state->subProgramCounter = 2;
  progress.OnDownloadProgress(1, 4);
  EXPECT_EQ(observer->progress(), (std::vector<int>{0, 20, 40, 65}));
  EXPECT_EQ(events.labels("Other", "PackageSize"), std::vector<std::string>{"3.00MB"});
  EXPECT_EQ(state->totalBytes, 3 * 1048576);
}
