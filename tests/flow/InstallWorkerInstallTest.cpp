// The worker after the download: digest and signature, the installer's
// outcomes, sub-programs, the AutoRun restart and a window that went away.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "FuntionImpl/Md5.h"
#include "WorkerFixture.h"
#include "flow/Launch.h"
#include "flow/SubProgramList.h"
#include "platform/Utf.h"

using namespace flowtest;

namespace {

constexpr unsigned kFailed = static_cast<unsigned>(-1);
const wchar_t kPackageName[] = L"Lumevia_setup_3.1.0.exe";

}  // namespace

// ---- Verification -------------------------------------------------------------------

enum class Signer { TestPublisher, Other, None };

struct CheckCase {
  const char* name;
  bool md5Matches, signedPackage;  // signedPackage: the signature check passes
  const char* code;
  const char* report;
  Signer signer = Signer::TestPublisher;
  const wchar_t* publisher = L"CN=Lumevia Test Publisher";  // what the configuration names
};

class Verification : public WorkerRun, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(Verification, TheSignatureDecidesAndEveryFailureIsReported) {
  const CheckCase& c = GetParam();
  if (!c.md5Matches) config->Update([&](ProductConfig& r) { r.Md5 = L"ffffffffffffffffffffffffffffffff"; });
  if (c.signer == Signer::None) os.unsigned_.insert(kPackageName);
  if (c.signer == Signer::Other) os.otherPublisher.insert(kPackageName);
  config->Update([&](ProductConfig& r) { r.Trusted_publisher = c.publisher; });
  const unsigned result = run();

  EXPECT_EQ(events.labels("Other", "FlowError"), std::vector<std::string>{c.code});
  EXPECT_EQ(reports(), std::vector<std::string>{std::string("pid=642&type=2&exception_code=") + c.report +
                                                "&other=," + kPackageUrl});
  EXPECT_TRUE(log.has(" Send error report, response is "));
  if (c.signedPackage) {
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(os.starts().size(), 1u);
    EXPECT_EQ(observer->reports().back(), "start");
  } else {
    EXPECT_EQ(result, kFailed);
    EXPECT_TRUE(os.starts().empty());
    EXPECT_EQ(observer->reports(),
              (std::vector<std::string>{"verifying", RecordingObserver::Failed(InstallResult::CheckFailed)}));
    EXPECT_EQ(state->phase, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Checks, Verification,
    ::testing::Values(CheckCase{"WrongDigest", false, true, "DL013", "MD5_Check_Fail_Cfg1"},
                      CheckCase{"Unsigned", true, false, "DL014", "Hash_Check_Fail_Cfg1", Signer::None},
                      CheckCase{"Both", false, false, "DL015", "MD5_Hash_Check_Fail_Cfg1", Signer::None},
                      CheckCase{"OtherPublisher", true, false, "DL014", "Hash_Check_Fail_Cfg1", Signer::Other},
                      CheckCase{"NoPublisherNamed", true, false, "DL014", "Hash_Check_Fail_Cfg1",
                                Signer::TestPublisher, L""},
                      CheckCase{"PublisherNotUnderstood", true, false, "DL014", "Hash_Check_Fail_Cfg1",
                                Signer::TestPublisher, L"Lumevia Test Publisher"}),
    [](const ::testing::TestParamInfo<CheckCase>& i) { return std::string(i.param.name); });

TEST_F(WorkerRun, ThePackageIsHeldFromItsChecksUntilItsInstallerStarted) {
  ASSERT_EQ(run(), 0u);
  const std::string name = "Lumevia_setup_3.1.0.exe";
  EXPECT_EQ(os.journal(), (std::vector<std::string>{"hold " + name, "read " + name, "trust " + name, "start " + name,
                                                     "write refused " + name, "let go " + name}));
}

TEST_F(WorkerRun, APackageSwappedDuringTheReplacePauseIsCheckedAgain) {
  os.options("[Settings]\nReplacePackage=1\n");
  os.onBox = [&] { os.otherPublisher.insert(kPackageName); };
  EXPECT_EQ(run(), kFailed);
  EXPECT_TRUE(os.starts().empty());
  EXPECT_EQ(observer->reports().back(), RecordingObserver::Failed(InstallResult::CheckFailed));
  EXPECT_EQ(events.labels("Other", "FlowError"), std::vector<std::string>{"DL014"});
}

// ---- The installer --------------------------------------------------------------------

struct InstallerCase {
  const char* name;
  Installer installer;
  std::vector<std::string> reports;
  std::vector<std::string> expectedEvent;  // category, action, label
};

class InstallerOutcome : public WorkerRun, public ::testing::WithParamInterface<InstallerCase> {};

TEST_P(InstallerOutcome, EveryFailureShowsTheTimeOutViewAndOnlyTheTimeOutIsDL016) {
  const InstallerCase& c = GetParam();
  os.installers[kPackageName] = c.installer;
  EXPECT_EQ(run(), kFailed);
  EXPECT_EQ(observer->reports(), c.reports);
  EXPECT_EQ(events.labels(c.expectedEvent[0], c.expectedEvent[1]), std::vector<std::string>{c.expectedEvent[2]});
  if (c.installer != Installer::NeverEnds) {
    EXPECT_TRUE(events.labels("Other", "FlowError").empty());
  }
  EXPECT_EQ(events.all().back(), "F Installing|0|CoreFuncEnd|main");
  EXPECT_TRUE(events.labels("Download", "6.ProgramFinsh").empty());
  EXPECT_FALSE(state->installerFinished);
  EXPECT_EQ(os.openHandles, 0) << "the handle is closed on every branch";
}

INSTANTIATE_TEST_SUITE_P(
    Installers, InstallerOutcome,
    ::testing::Values(
        InstallerCase{"ExitCode3",
                      Installer::ExitCode3,
                      {"verifying", "slides stop", "installing", RecordingObserver::Failed(InstallResult::InstallFailed)},
                      {"Other", "InstallExitCode", "3"}},
        InstallerCase{"CannotStart",
                      Installer::CannotStart,
                      {"verifying", "slides stop", RecordingObserver::Failed(InstallResult::InstallFailed)},
                      {"Other", "InstallStartError", "193"}},
        InstallerCase{"NeverEnds",
                      Installer::NeverEnds,
                      {"verifying", "slides stop", "installing",
                       RecordingObserver::Failed(InstallResult::InstallTimedOut)},
                      {"Other", "FlowError", "DL016"}}),
    [](const ::testing::TestParamInfo<InstallerCase>& i) { return std::string(i.param.name); });

TEST_F(WorkerRun, TimeLimitIsTwoHundredFortyTwoSteps) {
  os.installers[kPackageName] = Installer::NeverEnds;
  EXPECT_EQ(run(), kFailed);
  EXPECT_EQ(os.waits, 242);
  EXPECT_TRUE(log.has(" Cmd nWaitSeconds timed out: 241"));
}

// ---- Sub-programs ---------------------------------------------------------------------

// A toolkit product with two sub-programs served and announced.
class SubPrograms : public WorkerRun {
 protected:
  SubPrograms() {
    setup.toolkit = true;
    clients->web.serveFile("http://pkg.test/kit31.exe", kit31);
    clients->web.serveFile("http://pkg.test/kit32.exe", kit32);
    platform::nativeOs().CreateDirectories(dir.file(L"kits"));
    Announce(31, kit31, file31);
    Announce(32, kit32, file32);
    state->subPrograms.SetReady();
  }
  // As the information fetch adds it: served at http://pkg.test/kit<id>.exe,
  // installed into Kit<id>, started as kit<id>.exe.
  void Announce(int32_t id, const std::string& data, const std::wstring& file) {
    SubProgramRecord r;
    r.id = id, r.fileSize = std::to_wstring(data.size());
    r.md5 = platform::WideFromUtf8(FuntionImpl::Md5Hex(data));
    r.downloadUrl = L"http://pkg.test/kit" + std::to_wstring(id) + L".exe";
    r.localPath = file;
    r.folderName = L"Kit" + std::to_wstring(id);
    r.launchName = L"kit" + std::to_wstring(id) + L".exe";
    state->subPrograms.Append(r);
  }
  // The journal's entries for one file.
  std::vector<std::string> journalOf(const std::string& name) const {
    std::vector<std::string> out;
    for (const std::string& e : os.journal())
      if (e.size() > name.size() && e.compare(e.size() - name.size(), name.size(), name) == 0)
        out.push_back(e.substr(0, e.size() - name.size() - 1));
    return out;
  }

  const std::string kit31 = SignedLookingPackage(kMiB + 100, 31), kit32 = SignedLookingPackage(kMiB + 200, 32);
  const std::wstring file31 = dir.file(L"kits/kit31_1.exe"), file32 = dir.file(L"kits/kit32_1.exe");
};

TEST_F(SubPrograms, DownloadCheckAndInstallBesideThePackage) {
  os.unsigned_.insert(L"kit32_1.exe");              // its signature fails: not installed
  os.installers[L"kit31_1.exe"] = Installer::NeverEnds;  // it gets the same time limit

  ASSERT_EQ(run(), 0u);
  for (const char* action : {"3.DownloadingIsChToolKit", "4.DownFinshIsChToolKit", "Md5CheckStartIsChToolKit",
                             "Md5CheckFinshIsChToolKit"})
    EXPECT_EQ(events.labels("Download", action), (std::vector<std::string>{"31", "32"})) << action;
  EXPECT_EQ(events.labels("Other", "FlowErrorIsChToolKitErrorCode"), std::vector<std::string>{"DL014"});
  EXPECT_EQ(events.labels("Download", "5.ProgramInstallIsChToolKit"), std::vector<std::string>{"31"});
  EXPECT_EQ(events.labels("Download", "6.ProgramFinshIsChToolKit"), std::vector<std::string>{"31"});
  EXPECT_TRUE(events.labels("Other", "FlowError").empty()) << "the main package is not touched";
  const std::vector<std::string> all = events.all();
  for (const char* funnel : {"F Downloading|4|Downloading_31|kit", "F Downloading|5|DownFinsh_31|kit",
                             "F Downloading|6|Downloading_32|kit", "F Md5Check|5|Md5CheckStart_32|kit",
                             "F Installing|3|ProgramInstall_31|kit", "F Installing|4|ProgramFinsh_31|kit"})
    EXPECT_NE(std::find(all.begin(), all.end(), funnel), all.end()) << funnel;

  const std::vector<WorkerOs::Start> starts = os.starts();
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[1].program, file31);
  EXPECT_EQ(starts[1].commandLine, L" /VERYSILENT /SP- /NORESTART /DIR=\"" +
                                       platform::JoinPath(L"D:\\Apps\\Lumevia", L"Kit31") + L"\" /LANG=en /LOG=\"" +
                                       file31 + L".install.log\" /sptrack \"LumeviaSetup_abc12.exe\"");
  EXPECT_EQ(os.waits, 1 + 242);
  EXPECT_TRUE(log.has(" Install finish: 258"));
  EXPECT_EQ(os.openHandles, 0);
  EXPECT_EQ(state->subProgramCounter, 2);
  EXPECT_EQ(state->totalBytes, static_cast<int64_t>(package.size() + kit31.size() + kit32.size()));
  EXPECT_TRUE(state->installerFinished);
  EXPECT_EQ(observer->reports().back(), "start");
  // Checked with the package, and again through the file held until it starts.
  EXPECT_EQ(journalOf("kit31_1.exe"), (std::vector<std::string>{"hold", "read", "trust", "let go", "hold", "read",
                                                                  "trust", "start", "write refused", "let go"}));
}

TEST_F(SubPrograms, ASubProgramChangedAfterItsCheckIsNotStarted) {
  // While the main installer runs, someone writes into the checked kit.
  os.onStart = [&](const std::wstring& program) {
    if (platform::FileNameOf(program) == L"Lumevia_setup_3.1.0.exe") platform::nativeOs().WriteFile(file31, "MZ");
  };
  ASSERT_EQ(run(), 0u);
  EXPECT_EQ(os.starts().size(), 2u);  // the package and kit32 only
  EXPECT_EQ(os.starts().back().program, file32);
  EXPECT_TRUE(log.has(" SubProgram changed since its check, not installed: 31"));
  EXPECT_EQ(events.labels("Other", "FlowErrorIsChToolKitErrorCode"), std::vector<std::string>{"DL015"});
  EXPECT_EQ(events.labels("Download", "5.ProgramInstallIsChToolKit"), (std::vector<std::string>{"31", "32"}));
  EXPECT_EQ(events.labels("Download", "6.ProgramFinshIsChToolKit"), std::vector<std::string>{"32"});
}

TEST_F(SubPrograms, TheDownloadedOneIsMarkedAndStartsWithTheProduct) {
  state = std::make_shared<InstallState>();  // only a single sub-program is started
  setup.state = state;
  Announce(31, kit31, file31);
  state->subPrograms.SetReady();
  config->Update([&](ProductConfig& r) { r.StartSubProgram = 1; });
  ASSERT_EQ(run(), 0u);
  ASSERT_EQ(state->subPrograms.Records().at(0).downloaded, 1);

  // Where its installer put it.
  const std::wstring product = dir.file(L"Lumevia");
  platform::nativeOs().CreateDirectories(platform::JoinPath(product, L"Kit31"));
  platform::nativeOs().WriteFile(platform::JoinPath(platform::JoinPath(product, L"Kit31"), L"kit31.exe"), "MZ");
  const StartPaths paths = GetStartExePaths(*config->Snapshot(), *state, product, true);
  EXPECT_EQ(paths.subId, 31);
  EXPECT_EQ(paths.subPath, product + L"\\Kit31\\kit31.exe");
}

TEST_F(SubPrograms, TooManyRedirectsIsDL017AndLeavesItUnmarked) {
  clients->web.redirect("http://pkg.test/kit32.exe", "http://pkg.test/kit32.exe");
  ASSERT_EQ(run(), 0u);
  EXPECT_EQ(events.labels("Other", "DownErrorIsChToolKitErrorCode"), std::vector<std::string>(3, "error13"));
  EXPECT_EQ(events.labels("Other", "FlowErrorIsChToolKitErrorCode"), std::vector<std::string>(3, "DL017"));
  EXPECT_TRUE(reports().empty()) << "only the product's own package is reported";
  const std::vector<SubProgramRecord> records = state->subPrograms.Records();
  EXPECT_EQ(records.at(0).downloaded, 1);
  EXPECT_EQ(records.at(1).downloaded, 0);
  EXPECT_EQ(events.labels("Download", "5.ProgramInstallIsChToolKit"), std::vector<std::string>{"31"});
}

TEST(SubProgramList, TheWaitEndsWithTheFetchOrAtItsDeadline) {
  using namespace std::chrono;
  SubProgramList list;
  auto t0 = steady_clock::now();
  EXPECT_TRUE(list.WaitReady(milliseconds(30)).empty());
  EXPECT_GE(steady_clock::now() - t0, milliseconds(30));

  std::thread fetch([&] {
    SubProgramRecord r;
    list.Append(r);
    std::this_thread::sleep_for(milliseconds(20));
    list.Append(r);
    list.SetReady();
  });
  t0 = steady_clock::now();
  const size_t got = list.WaitReady(seconds(20)).size();
  fetch.join();
  EXPECT_EQ(got, 2u) << "the whole answer, not its first element";
  EXPECT_LT(steady_clock::now() - t0, seconds(10));

  // A retry fetches again only after a fetch that ended with nothing.
  EXPECT_FALSE(list.ReopenIfEmpty());
  SubProgramList none;
  EXPECT_FALSE(none.ReopenIfEmpty()) << "the first fetch is still running";
  none.SetReady();
  EXPECT_TRUE(none.ReopenIfEmpty());
  t0 = steady_clock::now();
  none.WaitReady(milliseconds(30));
  EXPECT_GE(steady_clock::now() - t0, milliseconds(30)) << "it waits for the new fetch";
}

// ---- AutoRun, ReplacePackage, a window that is gone -------------------------------

TEST_F(WorkerRun, AutoRunRestartsTheStubAfterTheReplacePause) {
  os.options("[Settings]\nAutoRun=1\nReplacePackage=1\n");
  ASSERT_EQ(run(), 0u);
  ASSERT_EQ(os.boxes.size(), 1u);
  EXPECT_EQ(os.boxes[0].first,
            L"程序包下载已完成且通过了校验，请手动替换程序包再继续。程序包路径是：\r\n" + packagePath());
  EXPECT_EQ(os.boxes[0].second, L"提示");
  EXPECT_EQ(os.sleeps, std::vector<unsigned>{2000});
  const std::vector<std::wstring> removed = os.removed();
  ASSERT_GE(removed.size(), 3u);
  EXPECT_EQ(std::vector<std::wstring>(removed.end() - 3, removed.end()),
            (std::vector<std::wstring>{packagePath(), packagePath() + L".xml", packagePath() + L".db"}));
  EXPECT_EQ(host->releases, 1);
  EXPECT_EQ(os.shellOpens.back(), (std::pair<std::wstring, std::wstring>{setup.stubPath, L""}));
  EXPECT_EQ(host->closes, std::vector<int>{0});
  for (int i = 1; i <= 8; ++i) EXPECT_TRUE(log.has(" Force Exit " + std::to_string(i))) << i;
  EXPECT_TRUE(log.has(" Force Exit 7 error code = 42, 0"));
  EXPECT_EQ(observer->reports().back(), "start");
}

TEST_F(WorkerRun, GoneWindowGetsNoBoxAndTheRunGoesOn) {
  os.options("[Settings]\nReplacePackage=1\n");
  host->window = 0;
  ASSERT_EQ(run(), 0u);
  EXPECT_TRUE(os.boxes.empty());
  EXPECT_EQ(observer->reports().back(), "start");
}

TEST_F(WorkerRun, StartedWorkerKeepsWhatItTouchesAliveUntilItEnds) {
  std::weak_ptr<CConfigure> weakConfig = config;
  std::weak_ptr<InstallState> weakState = state;
  std::weak_ptr<RecordingHost> weakHost = host;
  std::weak_ptr<RecordingObserver> weakObserver = observer;
  std::weak_ptr<http::FakeHttpClientFactory> weakClients = clients;
  InstallWorkerSetup detached = setup;
  setup = {};
  config.reset(), state.reset(), host.reset(), observer.reset(), clients.reset(), labels.reset();
  InstallWorker::Start(std::move(detached));  // the window lets go of everything at once
  auto allGone = [&] {
    return weakConfig.expired() && weakState.expired() && weakHost.expired() && weakObserver.expired() &&
           weakClients.expired();
  };
  for (int i = 0; i < 600 && !allGone(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(allGone());
  EXPECT_EQ(events.labels("Other", "ProductVersion"), std::vector<std::string>{"3.1.0"});
}
