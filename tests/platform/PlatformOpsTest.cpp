// The platform's process, shell, service and multi-string operations against
// the real system (Windows under Wine) or the POSIX stand-ins.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "PlatformTestSupport.h"
#include "platform/OwnedHandles.h"
#include "platform/Platform.h"
#include "platform/TestHooks.h"
#include "platform/Utf.h"

using platform::os;
using platform::OwnedProcess;
using platform::WaitResult;
using namespace platform_tests;

namespace {

// Starts the probe with the given arguments after its quoted path, waits for
// its end and hands back its exit code.
unsigned long RunProbe(const std::wstring& args, const std::wstring& workDir = L"") {
  platform::ProcessStart p = os().StartProcess(L"", Quote(ChildProbe()) + L" " + args, workDir);
  OwnedProcess child(p.handle);
  EXPECT_TRUE(child) << "error " << p.error;
  if (!child) return 0xFFFFFFFFUL;
  EXPECT_EQ(os().WaitProcess(child.get(), 30000), WaitResult::Signalled);
  unsigned long code = 0xFFFFFFFFUL;
  EXPECT_TRUE(os().ProcessExitCode(child.get(), code));
  return code;
}

}  // namespace

TEST(Process, TheChildSeesItsCommandLineExactlyAndStartsInTheFolderGiven) {
  TempDir dir;
  std::wstring out = dir.file(L"seen.txt");
  // A trailing backslash before a quote: a Windows program reading its own
  // line must get it unchanged.
  std::wstring line = Quote(ChildProbe()) + L" /OUT=" + Quote(out) + L" /DIR=\"C:\\x\\\" /LANG=en";
  platform::ProcessStart p = os().StartProcess(L"", line, dir.path());
  OwnedProcess child(p.handle);
  ASSERT_TRUE(child) << "error " << p.error;
  EXPECT_NE(p.pid, 0u);
  ASSERT_EQ(os().WaitProcess(child.get(), 30000), WaitResult::Signalled);
  std::vector<std::string> seen = ReadLines(out);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], platform::Utf8FromWide(line));
  EXPECT_EQ(seen[1], platform::Utf8FromWide(dir.path()));
}

TEST(Process, AnApplicationNameStartsThatProgramWithTheLineAsItIs) {
  TempDir dir;
  std::wstring out = dir.file(L"seen.txt");
  std::wstring line = L"setup /OUT=" + Quote(out) + L" /VERYSILENT";
  platform::ProcessStart p = os().StartProcess(ChildProbe(), line, L"");
  OwnedProcess child(p.handle);
  ASSERT_TRUE(child) << "error " << p.error;
  ASSERT_EQ(os().WaitProcess(child.get(), 30000), WaitResult::Signalled);
  std::vector<std::string> seen = ReadLines(out);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0], platform::Utf8FromWide(line));
}

// A program held for its checks: others may read it, nobody may write,
// replace, rename or delete it, and it still starts.
TEST(HeldFile, OthersMayReadButNotChangeItAndItStillStarts) {
  TempDir dir;
  const std::wstring held = dir.file(L"held.exe"), other = dir.file(L"other.exe");
  std::filesystem::copy_file(std::filesystem::path(ChildProbe()), std::filesystem::path(held));
  ASSERT_TRUE(os().WriteFile(other, "other"));
  platform::OwnedFile file(os().OpenFileForCheck(held));
  ASSERT_TRUE(file);
  EXPECT_EQ(os().FileSizeOf(file.get()), os().FileSize(held));
  platform::OwnedFile reader(os().OpenFileForRead(held));
  EXPECT_TRUE(reader);
  EXPECT_EQ(os().OpenFileForUpdate(held), 0u);
  EXPECT_FALSE(os().WriteFile(held, "x"));
  EXPECT_FALSE(os().RemoveFile(held));
  EXPECT_FALSE(os().MoveFileReplace(held, dir.file(L"renamed.exe")));
  EXPECT_FALSE(os().MoveFileReplace(other, held));

  platform::ProcessStart p = os().StartProcess(held, L"held /EXIT=5", L"");
  OwnedProcess child(p.handle);
  ASSERT_TRUE(child) << "error " << p.error;
  ASSERT_EQ(os().WaitProcess(child.get(), 30000), WaitResult::Signalled);
  unsigned long code = 0;
  EXPECT_TRUE(os().ProcessExitCode(child.get(), code));
  EXPECT_EQ(code, 5u);
  child.reset();
  file.reset();
  reader.reset();
  EXPECT_TRUE(os().RemoveFile(held));
}

TEST(Process, ExitCodesAndACrash) {
  EXPECT_EQ(RunProbe(L"/EXIT=0"), 0u);
  EXPECT_EQ(RunProbe(L"/EXIT=3"), 3u);
  EXPECT_EQ(RunProbe(L"/CRASH"), 0xC0000005UL);  // an access violation
}

TEST(Process, AWaitTimesOutWhileTheChildRunsThenSeesItEnd) {
  platform::ProcessStart p = os().StartProcess(L"", Quote(ChildProbe()) + L" /SLEEP=1500 /EXIT=7", L"");
  OwnedProcess child(p.handle);
  ASSERT_TRUE(child) << "error " << p.error;
  EXPECT_EQ(os().WaitProcess(child.get(), 0), WaitResult::TimedOut);
  EXPECT_EQ(os().WaitProcess(child.get(), 100), WaitResult::TimedOut);
  unsigned long code = 0;
  EXPECT_FALSE(os().ProcessExitCode(child.get(), code));
  EXPECT_EQ(os().WaitProcess(child.get(), 30000), WaitResult::Signalled);
  ASSERT_TRUE(os().ProcessExitCode(child.get(), code));
  EXPECT_EQ(code, 7u);
  // An ended child stays ended for every later question.
  EXPECT_EQ(os().WaitProcess(child.get(), 0), WaitResult::Signalled);
}

TEST(Process, AMissingProgramIsFileNotFound) {
  TempDir dir;
  std::wstring missing = dir.file(L"absent.exe");
  platform::ProcessStart p = os().StartProcess(L"", Quote(missing) + L" /x", L"");
  EXPECT_EQ(p.handle, 0u);
  EXPECT_EQ(p.error, 2u);
  p = os().StartProcess(missing, L"absent /x", L"");
  EXPECT_EQ(p.handle, 0u);
  EXPECT_EQ(p.error, 2u);
  EXPECT_EQ(os().WaitProcess(0, 10), WaitResult::Failed);
}

// Run by its own test entry with LUMEVIA_TEST_CLOCK_RATE=100.
TEST(ClockRate, AFourSecondWaitEndsInAboutFortyMilliseconds) {
  ASSERT_EQ(platform::hooks::ClockRate(), 100u);
  platform::ProcessStart p = os().StartProcess(L"", Quote(ChildProbe()) + L" /SLEEP=3000", L"");
  OwnedProcess child(p.handle);
  ASSERT_TRUE(child) << "error " << p.error;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(os().WaitProcess(child.get(), 4000), WaitResult::TimedOut);
  os().SleepMs(4000);
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, std::chrono::seconds(2));
  unsigned long code = 0;
  EXPECT_FALSE(os().ProcessExitCode(child.get(), code)) << "the child still runs";
  EXPECT_EQ(os().WaitProcess(child.get(), 0xFFFFFFFFu), WaitResult::Signalled);  // forever is not scaled
}

TEST(Shell, OpenStartsAProgramWithItsParametersAndAMissingFileFails) {
  TempDir dir;
  std::wstring out = dir.file(L"opened.txt");
  std::wstring params = L"/OUT=" + Quote(out) + L" /LANG=en";
  platform::ShellResult r = os().ShellExec(L"open", ChildProbe(), params);
  EXPECT_GT(r.code, 32);
  ASSERT_TRUE(WaitForFile(out, 30));
  std::vector<std::string> seen = ReadLines(out);
  ASSERT_FALSE(seen.empty());
  std::string tail = " " + platform::Utf8FromWide(params);
  ASSERT_GE(seen[0].size(), tail.size());
  EXPECT_EQ(seen[0].substr(seen[0].size() - tail.size()), tail);

  r = os().ShellExec(L"open", dir.file(L"absent.exe"), L"");
  EXPECT_EQ(r.code, 2);  // SE_ERR_FNF
  EXPECT_EQ(r.lastError, 2u);
}

TEST(Services, AServiceThatDoesNotExistIsNotPresent) {
  platform::ServiceState s = os().QueryService(L"LumeviaNoSuchService");
  EXPECT_EQ(s.step, 2);
  EXPECT_FALSE(s.running);
  EXPECT_FALSE(os().StopService(L"LumeviaNoSuchService"));
}

TEST(Registry, MultiStringsRoundTripAndKeepTheirType) {
  const auto cu = platform::RegRoot::CurrentUser;
  const std::wstring key = L"SOFTWARE\\LumeviaTests\\MultiString";
  const std::vector<std::wstring> items = {L"\\??\\C:\\Program Files\\Lumevia\\a.dll", L"", L"x"};
  const std::vector<std::wstring> list = {L"\\??\\C:\\Lumevia\\old.dll", L"!\\??\\C:\\Lumevia\\new.dll",
                                          L"Ja \u65E5\u672C"};
  std::vector<std::wstring> back;
  ASSERT_TRUE(os().RegWriteMultiString(cu, key, L"Pending", list));
  ASSERT_TRUE(os().RegReadMultiString(cu, key, L"Pending", back));
  EXPECT_EQ(back, list);

  ASSERT_TRUE(os().RegWriteMultiString(cu, key, L"Pending", {}));
  ASSERT_TRUE(os().RegReadMultiString(cu, key, L"Pending", back));
  EXPECT_TRUE(back.empty());

  // An empty string ends the list, as the double NUL does.
  ASSERT_TRUE(os().RegWriteMultiString(cu, key, L"Cut", items));
  ASSERT_TRUE(os().RegReadMultiString(cu, key, L"Cut", back));
  EXPECT_EQ(back, std::vector<std::wstring>{items[0]});

  // A value of another type is not a multi-string, and the other way round.
  ASSERT_TRUE(os().RegWriteString(cu, key, L"Cut", L"plain"));
  EXPECT_FALSE(os().RegReadMultiString(cu, key, L"Cut", back));
  std::wstring text;
  EXPECT_TRUE(os().RegReadString(cu, key, L"Cut", text));
  EXPECT_EQ(text, L"plain");
  ASSERT_TRUE(os().RegWriteMultiString(cu, key, L"Cut", list));
  EXPECT_FALSE(os().RegReadString(cu, key, L"Cut", text));

  EXPECT_FALSE(os().RegReadMultiString(cu, key, L"Absent", back));
  EXPECT_FALSE(os().RegReadMultiString(cu, key + L"\\Absent", L"Pending", back));
}
