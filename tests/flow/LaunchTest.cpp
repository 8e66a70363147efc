#include "flow/Launch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/Platform.h"

namespace {

namespace fs = std::filesystem;

// An installation folder on disk: bin\Lumevia.exe, Kit\kit.exe, Tool\tool.exe.
class GetStartExePathsTest : public ::testing::Test {
 protected:
  GetStartExePathsTest() {
    root = fs::temp_directory_path() /
           ("lumevia-launch-" + std::to_string(platform::nativeOs().CurrentProcessId()));
    fs::remove_all(root);
    for (const char* file : {"bin/Lumevia.exe", "Kit/kit.exe", "Tool/tool.exe"}) {
      fs::create_directories((root / file).parent_path());
      std::ofstream(root / file) << "x";
    }
    dir = root.wstring();
    cfg.LoadState = 2;
    cfg.Process_name = L"Lumevia.exe";
    cfg.StartSubProgram = 1;
  }
  ~GetStartExePathsTest() override { fs::remove_all(root); }

  void AddSub(int32_t id, const std::wstring& folder, const std::wstring& launch, int downloaded) {
    SubProgramRecord r;
    r.id = id;
    r.folderName = folder;
    r.launchName = launch;
    r.downloaded = downloaded;
    state.subPrograms.Append(r);
  }

  fs::path root;
  std::wstring dir;
  ProductConfig cfg;
  InstallState state;
};

TEST_F(GetStartExePathsTest, MainProgramIsFoundBelowTheFolderOnlyWhenLoaded) {
  StartPaths p = GetStartExePaths(cfg, state, L"  " + dir + L" ", true);
  EXPECT_EQ(p.mainPath, dir + L"\\bin\\Lumevia.exe");
  EXPECT_TRUE(p.subPath.empty());
  EXPECT_EQ(p.subId, 0);

  cfg.LoadState = 1;
  EXPECT_TRUE(GetStartExePaths(cfg, state, dir, true).mainPath.empty());
}

TEST_F(GetStartExePathsTest, OneDownloadedSubProgramOfAToolkitStartsBeside) {
  AddSub(42, L"Kit", L"kit.exe", 1);
  StartPaths p = GetStartExePaths(cfg, state, dir, true);
  EXPECT_EQ(p.subPath, dir + L"\\Kit\\kit.exe");
  EXPECT_EQ(p.subId, 42);
  EXPECT_EQ(p.mainPath, dir + L"\\bin\\Lumevia.exe");

  // Not for a product that is no toolkit, nor when the configuration says no.
  EXPECT_EQ(GetStartExePaths(cfg, state, dir, false).subId, 0);
  cfg.StartSubProgram = 0;
  EXPECT_TRUE(GetStartExePaths(cfg, state, dir, true).subPath.empty());
}

TEST_F(GetStartExePathsTest, NamesThatLeaveTheInstallationFindNothing) {
  const std::wstring bin = dir + L"\\bin";
  cfg.Process_name = L"..\\Tool\\tool.exe";
  EXPECT_TRUE(GetStartExePaths(cfg, state, bin, false).mainPath.empty());
  cfg.Process_name = dir + L"\\Tool\\tool.exe";
  EXPECT_TRUE(GetStartExePaths(cfg, state, bin, false).mainPath.empty());

  cfg.Process_name = L"Lumevia.exe";
  AddSub(42, L"..\\Tool", L"tool.exe", 1);
  StartPaths p = GetStartExePaths(cfg, state, bin, true);
  EXPECT_TRUE(p.subPath.empty());
  EXPECT_EQ(p.subId, 0) << "no start is reported for a program that is not started";
  EXPECT_EQ(p.mainPath, bin + L"\\Lumevia.exe");
  InstallState launch;
  SubProgramRecord up{43, 0, L"", L"", L"", L"..\\..\\Tool\\tool.exe", L"Kit", 1, L""};
  launch.subPrograms.Append(up);
  EXPECT_TRUE(GetStartExePaths(cfg, launch, dir, true).subPath.empty());
}

TEST_F(GetStartExePathsTest, SubProgramNotDownloadedOrNotAloneIsNotStarted) {
  AddSub(42, L"Kit", L"kit.exe", 0);
  EXPECT_EQ(GetStartExePaths(cfg, state, dir, true).subId, 0);

  // Downloaded, but refused by its check and so never installed.
  InstallState refused;
  SubProgramRecord gone{44, 0, L"", L"", L"", L"gone.exe", L"Gone", 1, L""};
  refused.subPrograms.Append(gone);
  EXPECT_EQ(GetStartExePaths(cfg, refused, dir, true).subId, 0);

  InstallState two;
  SubProgramRecord kit{42, 0, L"", L"", L"", L"kit.exe", L"Kit", 1, L""};
  SubProgramRecord tool{43, 0, L"", L"", L"", L"tool.exe", L"Tool", 1, L""};
  two.subPrograms.Append(kit);
  two.subPrograms.Append(tool);
  StartPaths p = GetStartExePaths(cfg, two, dir, true);
  EXPECT_TRUE(p.subPath.empty());
  EXPECT_EQ(p.subId, 0);
  EXPECT_FALSE(p.mainPath.empty());
}

}  // namespace
