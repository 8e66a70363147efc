#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Common/InstallUIMainWnd.h"
#include "Common/Startup.h"
#include "FuntionImpl/GuardedRun.h"
#include "TestSupport.h"
#include "toolkit/SkinPackage.h"

using Startup::ExtractEarlyLabel;

TEST(Startup, EarlyLabelIsTheTextAttributeAfterTheLabelName) {
  const char* id = "Downloader_id";
  EXPECT_EQ(ExtractEarlyLabel("<Label name=\"Downloader_id\" text=\"642\" visible=\"false\"/>", id), "642");
  EXPECT_EQ(ExtractEarlyLabel("<Label name=\"Other\" text=\"1\"/>", id), "");
  EXPECT_EQ(ExtractEarlyLabel("Downloader_id", id), "");
  EXPECT_EQ(ExtractEarlyLabel("Downloader_id=\"12", id), "");  // no closing quote
  EXPECT_EQ(ExtractEarlyLabel("Downloader_id=", id), "");
  EXPECT_EQ(ExtractEarlyLabel("<Label name=\"Downloader_id\" text=\"7\"/><Label name=\"Software_name\" text=\"Orvane\"/>",
                              "Software_name"),
            "Orvane");
}

TEST(Startup, TheShippedConfigurationGivesTheEarlyId) {
  SkinUI::SkinPackage pkg;
  ASSERT_TRUE(pkg.Open(testing_support::BuiltSkinZip()));
  std::string xml;
  ASSERT_TRUE(pkg.Extract("configure/configure.xml", xml));
  EXPECT_EQ(ExtractEarlyLabel(xml.substr(3), "Downloader_id"), "642");
  EXPECT_EQ(ExtractEarlyLabel(xml.substr(3), "Software_name"), "Lumevia");
}

namespace {

class RecordingSteps : public Startup::ShutDownSteps {
 public:
  std::vector<std::string> done;
  void Log(const char* line) override { done.push_back(std::string("log") + line); }
  void TermToolkit() override { done.push_back("toolkit"); }
  void ReleaseInstanceMutex() override { done.push_back("mutex"); }
  void DrainTelemetry() override { done.push_back("telemetry"); }
  void UninitializeCom() override { done.push_back("com"); }
};

using Startup::ShutDown;

// The steps armed by the time each way out of the start-up is taken.
struct ExitPath {
  const char* name;
  unsigned armed;
  std::vector<std::string> expected;
};

TEST(ShutDown, EachWayOutRunsItsStepsOnceInTheFixedOrder) {
  const unsigned setUp = ShutDown::kCom | ShutDown::kToolkit;
  const ExitPath paths[] = {
      {"COM failed", 0, {}},
      {"window not created", setUp, {"toolkit", "com"}},
      {"another copy holds the mutex", setUp | ShutDown::kTelemetry, {"toolkit", "telemetry", "com"}},
      {"message loop or country refusal",
       setUp | ShutDown::kTelemetry | ShutDown::kInstanceMutex | ShutDown::kWaitLines,
       {"log Wait exit 1", "toolkit", "mutex", "log Wait exit 2", "telemetry", "log Wait exit 3", "com"}},
  };
  for (const ExitPath& path : paths) {
    RecordingSteps steps;
    {
      ShutDown shutDown(steps);
      shutDown.Arm(path.armed);
      shutDown.Run();
    }  // the object going does not run them again
    EXPECT_EQ(steps.done, path.expected) << path.name;
  }
}

TEST(ShutDown, AReturnWithoutRunStillTakesTheArmedStepsDown) {
  RecordingSteps steps;
  {
    ShutDown shutDown(steps);
    shutDown.Arm(ShutDown::kCom);
    shutDown.Arm(ShutDown::kToolkit);
  }
  EXPECT_EQ(steps.done, (std::vector<std::string>{"toolkit", "com"}));
}

// The process may end as soon as no counted thread runs: what a thread's work
// holds (the worker's set-up, a side-fetch's context) must be gone by then.
TEST(CountedThreads, TheCountHoldsUntilTheWorksStateIsGone) {
  struct Held {
    explicit Held(std::atomic<int>* c) : countWhenGone(c) {}
    ~Held() { countWhenGone->store(FuntionImpl::RunningThreads()); }
    std::atomic<int>* countWhenGone;
  };
  std::atomic<int> countWhenGone{-1};
  std::atomic<bool> go{false};
  auto held = std::make_shared<Held>(&countWhenGone);
  ASSERT_TRUE(FuntionImpl::StartCounted("Test", [held, &go] {
    while (!go.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }));
  held.reset();  // the thread's copy is the last
  go = true;
  for (int i = 0; i < 1000 && countWhenGone.load() < 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(countWhenGone.load(), 1);
  for (int i = 0; i < 1000 && FuntionImpl::RunningThreads() > 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(FuntionImpl::RunningThreads(), 0);
}

}  // namespace
