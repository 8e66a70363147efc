// What only the POSIX stand-ins do: their state files, the shell's records,
// the services' stop sequence, the command-line rule for the program's name.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "PlatformTestSupport.h"
#include "platform/OwnedHandles.h"
#include "platform/Platform.h"
#include "platform/Utf.h"

using platform::os;
using namespace platform_tests;
namespace fs = std::filesystem;

namespace {

// A root of its own for the stand-ins' state, for one test.
class StandIn : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("LUMEVIA_POSIX_ROOT");
    hadRoot_ = old != nullptr;
    if (old) oldRoot_ = old;
    setenv("LUMEVIA_POSIX_ROOT", root().c_str(), 1);
  }
  void TearDown() override {
    if (hadRoot_) setenv("LUMEVIA_POSIX_ROOT", oldRoot_.c_str(), 1);
    else unsetenv("LUMEVIA_POSIX_ROOT");
  }
  std::string root() const { return platform::Utf8FromWide(dir_.path()); }
  void put(const std::string& relative, const std::string& text) const {
    fs::create_directories(fs::path(root() + "/" + relative).parent_path());
    std::ofstream(root() + "/" + relative, std::ios::binary) << text;
  }
  std::string get(const std::string& relative) const {
    std::string text;
    os().ReadFile(platform::WideFromUtf8(root() + "/" + relative), text);
    return text;
  }

  TempDir dir_;

 private:
  bool hadRoot_ = false;
  std::string oldRoot_;
};

using ServiceStandIn = StandIn;
using ShellStandIn = StandIn;
using TrustStandIn = StandIn;
using ProcessStandIn = StandIn;

}  // namespace

TEST_F(ServiceStandIn, AStopTakesTheQueriesTheStateFileAsks) {
  put("services/Sync", "running 250\n");
  platform::ServiceState s = os().QueryService(L"Sync");
  EXPECT_EQ(s.step, 0);
  EXPECT_TRUE(s.running);
  EXPECT_EQ(s.waitHintMs, 250u);

  ASSERT_TRUE(os().StopService(L"Sync"));
  EXPECT_FALSE(os().StopService(L"Sync")) << "a stopping service takes no second stop";
  EXPECT_TRUE(os().QueryService(L"Sync").running);
  s = os().QueryService(L"Sync");
  EXPECT_TRUE(s.running);
  EXPECT_EQ(s.waitHintMs, 250u);
  EXPECT_FALSE(os().QueryService(L"Sync").running);
  EXPECT_FALSE(os().QueryService(L"Sync").running);
  EXPECT_FALSE(os().StopService(L"Sync")) << "a stopped service takes no stop";
}

TEST_F(ServiceStandIn, RefusalsAndTheStepsThatFail) {
  put("services/Guard", "refuse_stop\n");
  EXPECT_FALSE(os().StopService(L"Guard"));
  EXPECT_TRUE(os().QueryService(L"Guard").running);

  EXPECT_EQ(os().QueryService(L"Absent").step, 2);  // no services folder yet, or no file
  put("services/Odd", "sleeping\n");
  EXPECT_EQ(os().QueryService(L"Odd").step, 3);
  fs::create_directories(root() + "/services/Folder");
  EXPECT_EQ(os().QueryService(L"Folder").step, 3);
  EXPECT_FALSE(os().StopService(L"Folder"));

  put("services/.manager_unavailable", "");
  EXPECT_EQ(os().QueryService(L"Guard").step, 1);
  EXPECT_FALSE(os().StopService(L"Guard"));
}

TEST_F(ShellStandIn, EveryCallIsWrittenDownAndAddressesSucceed) {
  platform::ShellResult r = os().ShellExec(L"open", L"https://lumevia.example/privacy?a=1", L"");
  EXPECT_EQ(r.code, 42);
  std::wstring doc = dir_.file(L"readme.txt");
  ASSERT_TRUE(os().WriteFile(doc, "text"));
  EXPECT_EQ(os().ShellExec(L"open", doc, L"").code, 42);
  r = os().ShellExec(L"open", dir_.file(L"absent.exe"), L"/S\t1");
  EXPECT_EQ(r.code, 2);
  os().SystemMessageBox(0, L"Line one\nline two", L"Lumevia");

  std::string opened = get("shell/opened.log");
  EXPECT_EQ(opened, "open\thttps://lumevia.example/privacy?a=1\t\n"
                    "open\t" + platform::Utf8FromWide(doc) + "\t\n"
                    "open\t" + platform::Utf8FromWide(dir_.file(L"absent.exe")) + "\t/S\\t1\n");
  EXPECT_EQ(get("shell/messagebox.log"), "Lumevia\tLine one\\nline two\n");
}

TEST_F(ShellStandIn, TheFileBrowserWithSlashEStartsTheProgramItNames) {
  std::string script = root() + "/app.sh";
  std::ofstream(script) << "#!/bin/sh\ntouch \"$(dirname \"$0\")/ran\"\n";
  fs::permissions(script, fs::perms::owner_all);
  platform::ShellResult r = os().ShellExec(L"open", L"explorer.exe", L"/e, " + Quote(platform::WideFromUtf8(script)));
  EXPECT_EQ(r.code, 42);
  EXPECT_TRUE(WaitForFile(dir_.file(L"ran"), 30));
}

TEST_F(ProcessStandIn, TheProgramNameFollowsTheWindowsRuleAndErrorsTheirNumbers) {
  // A quoted path with a blank names the whole path.
  fs::create_directories(root() + "/with blank");
  std::string copy = root() + "/with blank/child probe";
  fs::copy_file(platform::Utf8FromWide(ChildProbe()), copy);
  std::wstring out = dir_.file(L"seen.txt");
  platform::ProcessStart p =
      os().StartProcess(L"", L"  " + Quote(platform::WideFromUtf8(copy)) + L" /OUT=" + Quote(out), L"");
  platform::OwnedProcess child(p.handle);
  ASSERT_TRUE(child) << "error " << p.error;
  EXPECT_EQ(os().WaitProcess(child.get(), 30000), platform::WaitResult::Signalled);
  EXPECT_TRUE(os().FileExists(out));

  // Unquoted, the name ends at the first blank.
  p = os().StartProcess(L"", platform::WideFromUtf8(root() + "/with blank/child probe"), L"");
  EXPECT_EQ(p.error, 2u);
  // A missing working folder, a file that is no program.
  p = os().StartProcess(ChildProbe(), L"x", dir_.file(L"nowhere"));
  EXPECT_EQ(p.error, 267u);
  std::wstring plain = dir_.file(L"plain.exe");
  ASSERT_TRUE(os().WriteFile(plain, "MZ"));
  p = os().StartProcess(plain, L"plain", L"");
  EXPECT_EQ(p.error, 5u);
}

TEST_F(TrustStandIn, WithoutTheCheckingToolTheProviderIsUnknown) {
  std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", root().c_str(), 1);  // a folder without osslsigncode
  platform::TrustResult t = os().VerifyFileTrust(0, ChildProbe());
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(static_cast<unsigned long>(t.result), 0x800B0001UL);
  EXPECT_TRUE(t.signer.empty());
}
