#include "FuntionImpl/ProcessLaunch.h"

#include <gtest/gtest.h>

#include "ChecksTestSupport.h"

using checkstest::ChecksOs;
using checkstest::LogLines;
using checkstest::RecordingEvents;
using FuntionImpl::StartTargetMainExe;

namespace {

const std::wstring kExe = L"C:\\Program Files\\Lumevia\\Lumevia.exe";
const std::wstring kMain = L"\"" + kExe + L"\"";
const std::wstring kSub = L"\"C:\\Program Files\\Lumevia\\Kit\\kit.exe\"";

class StartTargetMainExeTest : public ::testing::Test {
 protected:
  ChecksOs os;
  platform::ScopedOs scoped{os};
  RecordingEvents events;
  LogLines log;
};

TEST_F(StartTargetMainExeTest, DirectStartRunsFromTheProgramsFolder) {
  EXPECT_EQ(StartTargetMainExe(kMain, 1, L"\"\""), 0);
  ASSERT_EQ(os.starts.size(), 1u);
  EXPECT_EQ(os.starts[0].commandLine, kMain);
  EXPECT_EQ(os.starts[0].workDir, L"C:\\Program Files\\Lumevia\\");
  EXPECT_TRUE(os.sleeps.empty());
  EXPECT_EQ(os.openProcesses, 0u);  // not waited for, not leaked
  EXPECT_TRUE(events.all().empty());
  EXPECT_TRUE(log.has(" [StartTargetMainExe]: 1, \"C:\\Program Files\\Lumevia\\Lumevia.exe\", \"\""));
}

TEST_F(StartTargetMainExeTest, WorkingFolderEndsAtTheLastBackslashOfTheWholeLine) {
  const std::wstring withArgs = kMain + L" --log C:\\Logs\\run.txt";
  EXPECT_EQ(StartTargetMainExe(withArgs, 1, L""), 0);
  ASSERT_EQ(os.starts.size(), 1u);
  EXPECT_EQ(os.starts[0].workDir, L"C:\\Program Files\\Lumevia\\Lumevia.exe\" --log C:\\Logs\\");
  os.starts.clear();
  EXPECT_EQ(StartTargetMainExe(L"\"Lumevia.exe\"", 1, L""), 0);
  EXPECT_EQ(os.starts.at(0).workDir, L"");
}

TEST_F(StartTargetMainExeTest, SubProgramFollowsTwoSecondsLater) {
  EXPECT_EQ(StartTargetMainExe(kMain, 1, kSub), 0);
  ASSERT_EQ(os.starts.size(), 2u);
  EXPECT_EQ(os.starts[1].commandLine, kSub);
  EXPECT_EQ(os.starts[1].workDir, L"C:\\Program Files\\Lumevia\\Kit\\");
  EXPECT_EQ(os.sleeps, std::vector<unsigned>{2000});

  // Six characters or fewer name no program: no start, no pause.
  os.starts.clear();
  os.sleeps.clear();
  EXPECT_EQ(StartTargetMainExe(kMain, 1, L"\"a.ex\""), 0);
  EXPECT_EQ(os.starts.size(), 1u);
  EXPECT_TRUE(os.sleeps.empty());
}

TEST_F(StartTargetMainExeTest, DirectStartFailureIsReportedWithTheSystemError) {
  os.startError = 740;
  EXPECT_EQ(StartTargetMainExe(kMain, 1, kSub), -1);
  EXPECT_EQ(os.starts.size(), 1u);  // the sub-program is not tried
  EXPECT_EQ(events.all(), std::vector<std::string>{"E Other|StartWindowError|740"});
  EXPECT_TRUE(log.has("CreateProcess failed3 (740)"));
}

TEST_F(StartTargetMainExeTest, ExplorerRouteWithAMissingFileNeverAsksTheShell) {
  EXPECT_EQ(StartTargetMainExe(kMain, 0, kSub), -1);
  EXPECT_TRUE(os.shellCalls.empty());
  EXPECT_EQ(events.all(), std::vector<std::string>{"E Other|StartWindowError|2"});
  EXPECT_TRUE(log.has(" CreateProcess failed1 (2)"));
}

TEST_F(StartTargetMainExeTest, ExplorerRouteIgnoresAStaleLastError) {
  os.files = {kExe};
  os.shellAnswer = {42, 183};  // success, with an old error left in the thread
  EXPECT_EQ(StartTargetMainExe(kMain, 0, kSub), 0);
  ASSERT_EQ(os.shellCalls.size(), 2u);
  // Explorer by its full path: a bare name is looked up beside the stub first.
  EXPECT_EQ(os.shellCalls[0], std::make_tuple(std::wstring(L"open"), platform::JoinPath(L"C:\\Windows", L"explorer.exe"),
                                              L"/e, " + kMain));
  EXPECT_EQ(std::get<2>(os.shellCalls[1]), L"/e, " + kSub);
  EXPECT_EQ(os.sleeps, std::vector<unsigned>{2000});
  EXPECT_TRUE(os.starts.empty());
  EXPECT_TRUE(events.all().empty());
}

TEST_F(StartTargetMainExeTest, ExplorerRouteWithoutAWindowsFolderNeverStartsExplorerByName) {
  os.files = {kExe};
  os.windowsFolder.clear();
  EXPECT_EQ(StartTargetMainExe(kMain, 0, kSub), -1);
  EXPECT_TRUE(os.shellCalls.empty());
  EXPECT_EQ(events.all(), std::vector<std::string>{"E Other|StartWindowError|2"});
}

TEST_F(StartTargetMainExeTest, ExplorerRouteFailureIsJudgedByTheShellsAnswer) {
  os.files = {kExe};
  os.shellAnswer = {31, 1155};
  EXPECT_EQ(StartTargetMainExe(kMain, 0, kSub), -1);
  EXPECT_EQ(os.shellCalls.size(), 1u);
  EXPECT_EQ(events.all(), std::vector<std::string>{"E Other|StartWindowError|1155"});
  EXPECT_TRUE(log.has(" CreateProcess failed2 (1155)"));

  // No error set: the shell's own code is the label.
  os.shellAnswer = {5, 0};
  EXPECT_EQ(StartTargetMainExe(kMain, 0, L""), -1);
  EXPECT_EQ(events.count("E Other|StartWindowError|5"), 1u);
}

}  // namespace
