#include "flow/PreInstallChecks.h"

#include <gtest/gtest.h>

#include <numeric>

#include "ChecksTestSupport.h"

using checkstest::ChecksOs;
using checkstest::LogLines;
using checkstest::RecordingEvents;
using checkstest::RecordingHost;

namespace {

class PreInstallChecksTest : public ::testing::Test {
 protected:
  PreInstallChecksTest() {
    config->Update([&](ProductConfig& r) { r.Process_name = L"Lumevia.exe"; });
    host->folderText = L"C:\\Program Files\\Lumevia";
    os.drives = {L'C', L'D'};
  }

  // A configuration from the service, the package of the given size.
  void FromService(int64_t size) {
    config->Update([&](ProductConfig& r) {
      r.LoadState = 2;
      r.LoadSource = 1;
      r.Filesize = size;
    });
  }

  ChecksOs os;
  platform::ScopedOs scoped{os};
  RecordingEvents events;
  LogLines log;
  std::shared_ptr<CConfigure> config = std::make_shared<CConfigure>();
  std::shared_ptr<RecordingHost> host = std::make_shared<RecordingHost>();
  PreInstallChecks checks{config, host, L"Lumevia"};
};

TEST_F(PreInstallChecksTest, OnlyTheExactProcessNameCountsAsRunning) {
  os.processes = {{0, L"[System Process]"}, {77, L"lumevia.exe"}, {78, L"LUMEVIA.EXE"}, {79, L"Lumevia.exe.bak"}};
  EXPECT_TRUE(checks.AppIsRunning());
  EXPECT_TRUE(host->boxes.empty());

  os.processes.push_back({80, L"Lumevia.exe"});
  EXPECT_FALSE(checks.AppIsRunning());
  EXPECT_EQ(host->boxes, std::vector<int>{MsgAppExist});
  EXPECT_TRUE(log.has("Lumevia.exe,Lumevia.exe" "ID:80"));
}

TEST_F(PreInstallChecksTest, UnreadableProcessListFailsWithoutABox) {
  EXPECT_FALSE(checks.AppIsRunning());
  EXPECT_TRUE(host->boxes.empty());
}

TEST_F(PreInstallChecksTest, InstallDirUsesBackslashesAndEndsInTheProductFolder) {
  const std::wstring deep = L"D:\\" + std::wstring(300, L'x');
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"D:/Apps", L"D:\\Apps\\Lumevia"},
      {L"D:/Apps/Lumevia", L"D:\\Apps\\Lumevia"},
      // Trailing separators neither double nor stay behind.
      {L"D:\\Apps\\", L"D:\\Apps\\Lumevia"},
      {L"D:\\Apps\\Lumevia\\\\", L"D:\\Apps\\Lumevia"},
      {L"D:\\", L"D:\\Lumevia"},
      {L"D:/", L"D:\\Lumevia"},
      {deep, deep + L"\\Lumevia"},
  };
  for (const auto& c : cases) {
    host->folderText = c.first;
    EXPECT_EQ(checks.GetInstallDir(), c.second) << os.WideToAnsi(c.first);
  }
  // Without a folder name nothing is appended.
  host->folderText = L"D:\\Apps\\";
  EXPECT_EQ(PreInstallChecks(config, host, L"").GetInstallDir(), L"D:\\Apps");
}

TEST_F(PreInstallChecksTest, FreeSpaceEqualToThePackageOnTheTempDriveIsTooLittle) {
  os.freeByRoot = {{L"C:\\", 1000}};
  uint64_t free = 0;
  EXPECT_EQ(checks.EnoughFreeSpace(true, 1000, free), -1);
  EXPECT_EQ(free, 1000u);
  EXPECT_EQ(events.all(), (std::vector<std::string>{"E Other|FlowError|DL008",
                                                    "E Other|NoEnoughSpace|download_1000"}));
  EXPECT_TRUE(log.has(" PC space not enough1: 1000<=1000"));
}

TEST_F(PreInstallChecksTest, SharedDriveNeedsThreeTimesThePackage) {
  uint64_t free = 0;
  os.freeByRoot = {{L"C:\\", 300}};
  EXPECT_EQ(checks.EnoughFreeSpace(true, 100, free), -2);
  EXPECT_EQ(free, 300u);
  EXPECT_TRUE(log.has(" PC space not enough2: 300<=300"));
  EXPECT_TRUE(events.all().empty());  // the callers report a short installation drive

  os.freeByRoot = {{L"C:\\", 301}};
  EXPECT_EQ(checks.EnoughFreeSpace(true, 100, free), 1);

  // The letter's case does not make another drive.
  host->folderText = L"c:\\Apps";
  os.freeByRoot = {{L"C:\\", 300}};
  EXPECT_EQ(checks.EnoughFreeSpace(true, 100, free), -2);
  EXPECT_EQ(os.freeQueries.back(), L"C:\\");
}

TEST_F(PreInstallChecksTest, SeparateDrivesNeedOnceOnTempAndTwiceOnTheInstallationDrive) {
  host->folderText = L"D:\\Apps";
  uint64_t free = 0;
  os.freeByRoot = {{L"C:\\", 101}, {L"D:\\", 200}};
  EXPECT_EQ(checks.EnoughFreeSpace(true, 100, free), -2);
  EXPECT_EQ(free, 200u);
  os.freeByRoot = {{L"C:\\", 101}, {L"D:\\", 201}};
  EXPECT_EQ(checks.EnoughFreeSpace(true, 100, free), 1);

  // Without the temporary drive the factor stays 2, even on one drive.
  host->folderText = L"C:\\Apps";
  os.freeByRoot = {{L"C:\\", 201}};
  os.freeQueries.clear();
  EXPECT_EQ(checks.EnoughFreeSpace(false, 100, free), 1);
  EXPECT_EQ(os.freeQueries, std::vector<std::wstring>{L"C:\\"});
}

TEST_F(PreInstallChecksTest, EmptyPackageAndFailingQueriesPass) {
  uint64_t free = 7;
  EXPECT_EQ(checks.EnoughFreeSpace(true, 0, free), 1);
  EXPECT_TRUE(os.freeQueries.empty());
  EXPECT_EQ(checks.EnoughFreeSpace(true, 1000, free), 1);  // no drive answers
  EXPECT_EQ(free, 7u);
}

TEST_F(PreInstallChecksTest, DriveSwitchThatDoesNotHelpReportsInstallSpaceOnce) {
  FromService(100);
  os.freeByRoot = {{L"C:\\", 250}, {L"D:\\", 150}};  // C: stays the roomiest
  EXPECT_FALSE(checks.CheckInstallPath());
  EXPECT_EQ(events.all(), (std::vector<std::string>{"E Other|FlowError|DL008",
                                                    "E Other|NoEnoughSpace|install_250"}));
  EXPECT_EQ(host->boxes, std::vector<int>{MsgNoEnoughSpace});
  EXPECT_EQ(host->folderWrites, std::vector<std::wstring>{L"C:\\Program Files\\Lumevia"});
  EXPECT_TRUE(os.folders.empty());
  EXPECT_EQ(host->runningPages, 0);
}

TEST_F(PreInstallChecksTest, DriveSwitchToARoomierDriveGoesOn) {
  FromService(100);
  os.freeByRoot = {{L"C:\\", 250}, {L"D:\\", 1000}};
  EXPECT_TRUE(checks.CheckInstallPath());
  EXPECT_EQ(host->folderText, L"D:\\Program Files\\Lumevia");
  EXPECT_EQ(os.folders.count(L"D:\\Program Files\\Lumevia"), 1u);
  EXPECT_EQ(events.all(), std::vector<std::string>{"X Download|DownloadEnvReady||"});
  EXPECT_TRUE(host->boxes.empty());
  EXPECT_EQ(host->runningPages, 1);
}

TEST_F(PreInstallChecksTest, ShortTempDriveStopsWithTheDownloadReport) {
  FromService(100);
  os.freeByRoot = {{L"C:\\", 100}, {L"D:\\", 1000}};
  EXPECT_FALSE(checks.CheckInstallPath());
  EXPECT_EQ(events.count("E Other|NoEnoughSpace|download_100"), 1u);
  EXPECT_EQ(host->boxes, std::vector<int>{MsgNoEnoughSpace});
  EXPECT_TRUE(host->folderWrites.empty());
}

TEST_F(PreInstallChecksTest, LabelsOnlyConfigurationSkipsTheSpaceCheck) {
  config->Update([&](ProductConfig& r) {
    r.LoadState = 2;
    r.LoadSource = 2;
    r.Filesize = 100;
  });
  os.freeByRoot = {{L"C:\\", 1}};
  EXPECT_TRUE(checks.CheckInstallPath());
  EXPECT_TRUE(os.freeQueries.empty());
}

TEST_F(PreInstallChecksTest, FolderThatCannotBeMadeShowsThePathBox) {
  os.creationFails = true;
  EXPECT_FALSE(checks.CheckInstallPath());
  EXPECT_EQ(events.all(), std::vector<std::string>{"E Other|FlowError|DL009"});
  EXPECT_EQ(host->boxes, std::vector<int>{MsgPathError});
  EXPECT_EQ(host->runningPages, 0);
}

TEST_F(PreInstallChecksTest, PendingRenameInsideTheFolderIsReportedOnceAndAccepted) {
  os.pending = {L"\\??\\c:\\program files\\LUMEVIA\\old.dll", L"", L"\\??\\C:\\Program Files\\Lumevia\\a.tmp",
                L"!\\??\\C:\\Program Files\\Lumevia\\a.dll"};
  EXPECT_TRUE(checks.CheckInstallPath());
  EXPECT_EQ(events.count("E Other|ProcessNeedRestartSign|"), 1u);
  EXPECT_EQ(host->runningPages, 1);
}

TEST_F(PreInstallChecksTest, PendingRenameMatchesOnlyPathsInsideTheFolder) {
  const std::wstring folder = L"C:\\Program Files\\Lumevia";
  os.pending = {L"\\??\\C:\\Program Files\\LumeviaOld\\x.dll", L"", L"\\??\\C:\\Program Files\\Lumevia", L""};
  EXPECT_FALSE(PreInstallChecks::IsPathPendingRename(folder));
  os.pending = {L"\\??\\C:\\Temp\\x.tmp", L"!\\??\\c:\\PROGRAM FILES\\lumevia\\bin\\x.dll"};
  EXPECT_TRUE(PreInstallChecks::IsPathPendingRename(folder));
  EXPECT_TRUE(PreInstallChecks::IsPathPendingRename(folder + L"\\"));
  EXPECT_TRUE(PreInstallChecks::IsPathPendingRename(L"C:/Program Files/Lumevia"));
  EXPECT_FALSE(PreInstallChecks::IsPathPendingRename(L"C:\\Program Files\\Lume"));  // a prefix is another folder
  EXPECT_FALSE(PreInstallChecks::IsPathPendingRename(L"C:\\Program Files\\Lumevia\\bin\\x.dll"));
  EXPECT_FALSE(PreInstallChecks::IsPathPendingRename(L""));
  os.pendingReadable = false;
  EXPECT_FALSE(PreInstallChecks::IsPathPendingRename(folder));
}

platform::ServiceState Running(unsigned waitHint) { return {0, true, waitHint}; }
platform::ServiceState Stopped() { return {0, false, 0}; }

TEST_F(PreInstallChecksTest, ServiceOnlyForTheProductsThatHaveOne) {
  config->Update([&](ProductConfig& r) { r.Software_id = 7; });
  os.serviceStates = {Running(0)};
  EXPECT_EQ(checks.StopConflictingService(), 0);
  EXPECT_EQ(os.serviceQueries, 0u);

  config->Update([&](ProductConfig& r) { r.Software_id = 105; });
  os.serviceStates = {Stopped()};
  EXPECT_EQ(checks.StopConflictingService(), 0);
  EXPECT_TRUE(os.stopped.empty());
}

TEST_F(PreInstallChecksTest, ServiceManagerFailuresGiveTheirStatus) {
  config->Update([&](ProductConfig& r) { r.Software_id = 6; });
  for (int step : {1, 2, 3}) {
    os.serviceStates = {{step, false, 0}};
    os.serviceQueries = 0;
    EXPECT_EQ(checks.StopConflictingService(), step);
  }
  os.serviceStates = {Running(0)};
  os.stopAccepted = false;
  EXPECT_EQ(checks.StopConflictingService(), 4);
  EXPECT_EQ(os.stopped, std::vector<std::wstring>{L"MarlowgateWinAdService"});
}

TEST_F(PreInstallChecksTest, ServiceWithoutWaitHintIsPolledEvery100Ms) {
  config->Update([&](ProductConfig& r) { r.Software_id = 105; });
  os.serviceStates = {Running(0), Running(0), Running(0), Stopped()};
  EXPECT_EQ(checks.StopConflictingService(), 0);
  EXPECT_EQ(os.stopped, std::vector<std::wstring>{L"MarlowgateDataRecoveryService"});
  EXPECT_EQ(os.sleeps, (std::vector<unsigned>{100, 100, 100}));
  EXPECT_EQ(os.serviceQueries, 4u);
}

TEST_F(PreInstallChecksTest, ServiceWaitIsBoundedTo30Seconds) {
  config->Update([&](ProductConfig& r) { r.Software_id = 6; });
  os.serviceStates = {Running(60000)};
  EXPECT_EQ(checks.StopConflictingService(), 5);
  EXPECT_EQ(os.sleeps, (std::vector<unsigned>{10000, 10000, 10000}));
  EXPECT_TRUE(log.has("did not stop"));

  // A service that never gives a hint: no more than 300 queries of 100 ms.
  os.serviceStates = {Running(0)};
  os.serviceQueries = 0;
  os.sleeps.clear();
  EXPECT_EQ(checks.StopConflictingService(), 5);
  EXPECT_EQ(std::accumulate(os.sleeps.begin(), os.sleeps.end(), 0u), 30000u);
  EXPECT_EQ(os.serviceQueries, 301u);
}

TEST_F(PreInstallChecksTest, SlowStatusQueriesCountAgainstTheBound) {
  config->Update([&](ProductConfig& r) { r.Software_id = 6; });
  os.serviceStates = {Running(0)};
  os.queryCostMs = 20000;
  EXPECT_EQ(checks.StopConflictingService(), 5);
  EXPECT_EQ(os.sleeps.size(), 2u);  // 20.1 s, then 40.1 s
}

}  // namespace
