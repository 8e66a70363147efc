#include <gtest/gtest.h>

#include "FuntionImpl/RunOptions.h"
#include "TestSupport.h"
#include "platform/TestHooks.h"

using testing_support::ModuleInDir;
using testing_support::TempDir;

class RunOptions : public ::testing::Test {
 protected:
  TempDir dir;
  ModuleInDir fakeOs{dir.path()};
  platform::ScopedOs scope{fakeOs};
  void writeOptions(const std::string& text) { dir.write(L"zq_downloader.cfg", text); }
};

TEST_F(RunOptions, EveryOptionIsOffWithoutTheFile) {
  EXPECT_FALSE(FuntionImpl::IsTestEnv());
  EXPECT_FALSE(FuntionImpl::IsReplacePackage());
  EXPECT_FALSE(FuntionImpl::IsAutoRun());
  EXPECT_FALSE(FuntionImpl::IsFullLog());
  EXPECT_FALSE(FuntionImpl::IsSkipLimit());
}

TEST_F(RunOptions, OnlyTheIntegerOneTurnsAnOptionOn) {
  writeOptions("[Settings]\r\nAutoRun=1\r\nTestEnv=01\r\nFullLog=true\r\nSkipLimit=2\r\nReplacePackage=0\r\n");
  EXPECT_TRUE(FuntionImpl::IsAutoRun());
  EXPECT_TRUE(FuntionImpl::IsTestEnv());  // "01" reads as the integer 1
  EXPECT_FALSE(FuntionImpl::IsFullLog());
  EXPECT_FALSE(FuntionImpl::IsSkipLimit());
  EXPECT_FALSE(FuntionImpl::IsReplacePackage());
}

TEST_F(RunOptions, KeysCountOnlyInTheSettingsSection) {
  writeOptions("[Other]\nAutoRun=1\n[Settings]\nFullLog=1\n");
  EXPECT_FALSE(FuntionImpl::IsAutoRun());
  EXPECT_TRUE(FuntionImpl::IsFullLog());
}

TEST_F(RunOptions, GarbageGivesEveryOptionOff) {
  writeOptions(std::string("\x00\xff\xfe garbage ]]] [[[ =1\n=\n[Settings\nAutoRun\n", 38));
  EXPECT_FALSE(FuntionImpl::IsAutoRun());
  EXPECT_FALSE(FuntionImpl::IsTestEnv());
}

TEST_F(RunOptions, TheFileIsReadAgainOnEveryQuery) {
  writeOptions("[Settings]\nAutoRun=1\n");
  EXPECT_TRUE(FuntionImpl::IsAutoRun());
  writeOptions("[Settings]\nAutoRun=0\n");
  EXPECT_FALSE(FuntionImpl::IsAutoRun());
}

TEST_F(RunOptions, AFileOnlyInAnotherFolderHasNoEffect) {
  TempDir elsewhere;
  elsewhere.write(L"zq_downloader.cfg", "[Settings]\nAutoRun=1\n");
  EXPECT_FALSE(FuntionImpl::IsAutoRun());
}

// A test program: the services' base of the options file, from its own section only.
TEST_F(RunOptions, TheServiceBaseOfATestBuild) {
  writeOptions("[Settings]\nAutoRun=1\n[Endpoints]\nServiceBase = http://127.0.0.1:8480\n");
  EXPECT_EQ(platform::hooks::ServiceBase(FuntionImpl::RunOptionsPath()), L"http://127.0.0.1:8480");
  writeOptions("[Settings]\nServiceBase=http://127.0.0.1:8480\n");
  EXPECT_EQ(platform::hooks::ServiceBase(FuntionImpl::RunOptionsPath()), L"");
}
