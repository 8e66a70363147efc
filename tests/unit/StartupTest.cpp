#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Common/InstallUIMainWnd.h"
#include "Common/Startup.h"
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

}  // namespace
