// The event queue: error phases, retry budgets, the off-switch, waiting
// sends, the exit bound and the new-user mark, against a recording web log.
#include <gtest/gtest.h>
#include <json/json.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "FakeWebLog.h"
#include "platform/Platform.h"
#include "telemetry/CSingleUserLog.h"

using namespace std::chrono;

namespace {

telemetry::BaseFacts Facts() {
  telemetry::BaseFacts b;
  b.toolsVersion = "1.2.3.4";
  b.osText = "Windows 10 64bit";
  b.uiLanguage = "English";
  b.uiCountry = "United States";
  return b;
}

// idleSleepMs is long: once idle, the delivery thread wakes only for the
// exit flag, so the tests see no timing of their own.
CSingleUserLog::Options Opts(std::shared_ptr<FakeWebLog> web, unsigned idleSleepMs = 60000) {
  CSingleUserLog::Options o;
  o.makeWebLog = [web] { return std::shared_ptr<IWebLog>(web); };
  o.telemetryOff = [] { return false; };
  o.baseFacts = Facts;
  o.today = [] { return telemetry::LocalDate{2026, 12, 8}; };
  o.idleSleepMs = idleSleepMs;
  o.exitWaitMs = 20000;
  return o;
}

Json::Value Parse(const std::string& text) {
  Json::Value v;
  Json::Reader().parse(text, v);
  return v;
}

// "core_func_name/func_step/event_action" of each funnel record sent.
std::vector<std::string> FunnelSteps(FakeWebLog& web) {
  std::vector<std::string> out;
  for (const auto& c : web.Calls()) {
    if (c.kind != 'f') continue;
    const Json::Value a = Parse(c.text)["actions"];
    out.push_back(a["core_func_name"].asString() + "/" + std::to_string(a["func_step"].asInt()) + "/" +
                  a["event_action"].asString() + (Parse(c.text)["kit_type"].asInt() == 2 ? "/kit" : ""));
  }
  return out;
}

std::vector<std::string> Ga4Actions(FakeWebLog& web) {
  std::vector<std::string> out;
  for (const auto& c : web.Calls()) {
    if (c.kind != 'g') continue;
    size_t a = c.text.find("&ep.zq_action=") + 14;
    out.push_back(c.text.substr(a, c.text.find('&', a) - a));
  }
  return out;
}

std::wstring TempDir(const std::string& name) {
  auto dir = std::filesystem::temp_directory_path() / ("userlog-" + name);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.wstring();
}

}  // namespace

TEST(UserLogQueue, ErrorEventsOpenStepAndClosePhasesInOrder) {
  auto web = std::make_shared<FakeWebLog>();
  CSingleUserLog log(Opts(web));
  log.AddUserLog("Other", "FlowError", "DL010");
  log.AddUserLog("Other", "FlowError", "DL011");
  log.AddUserLog("Other", "FlowErrorIsChToolKitErrorCode", "DL020");
  log.AddUserLog("CrashRate", "Close", "");
  ASSERT_TRUE(log.WaitThreadForExit());
  EXPECT_EQ(FunnelSteps(*web),
            (std::vector<std::string>{"FlowError/0/CoreFuncStart", "FlowError/1/DL010", "FlowError/2/DL011",
                                      "FlowIsChToolKitError/0/CoreFuncStart", "FlowIsChToolKitError/1/DL020/kit",
                                      "FlowError/0/CoreFuncEnd", "FlowIsChToolKitError/0/CoreFuncEnd"}));
  EXPECT_EQ(Ga4Actions(*web),
            (std::vector<std::string>{"FlowError", "FlowError", "FlowErrorIsChToolKitErrorCode", "Close"}));
}

TEST(UserLogQueue, CloseWithoutErrorsSendsNoPhaseRecords) {
  auto web = std::make_shared<FakeWebLog>();
  CSingleUserLog log(Opts(web));
  log.AddUserLog("CrashRate", "Close", "");
  log.WaitThreadForExit();
  EXPECT_TRUE(FunnelSteps(*web).empty());
  EXPECT_EQ(Ga4Actions(*web).size(), 1u);
}

TEST(UserLogQueue, ConcurrentErrorsUseEachStepOnce) {
  auto web = std::make_shared<FakeWebLog>();
  CSingleUserLog log(Opts(web));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 50; ++i) log.AddUserLog("Other", "FlowError", "DL004");
    });
  for (auto& th : threads) th.join();
  log.WaitThreadForExit();
  std::vector<std::string> steps = FunnelSteps(*web);
  ASSERT_EQ(steps.size(), 201u);
  EXPECT_EQ(steps[0], "FlowError/0/CoreFuncStart");
  for (int i = 1; i <= 200; ++i) EXPECT_EQ(steps[i], "FlowError/" + std::to_string(i) + "/DL004");
}

TEST(UserLogQueue, NetworkDownSpendsTheBudgetThenDropsInOrder) {
  auto web = std::make_shared<FakeWebLog>();
  web->ga4Answer = 253;
  web->funnelAnswer = 7;
  web->hold = true;  // no answer before everything is queued, however early the thread looks
  CSingleUserLog log(Opts(web));
  for (const char* a : {"A", "B", "C", "D", "E"}) log.AddUserLog("Download", a, "");
  log.AddUserLog_funnelEx("Download", "F1", "k", "v", false, false);
  log.AddUserLog_funnelEx("Download", "F2", "k", "v", false, false);
  web->hold = false;
  auto t0 = steady_clock::now();
  log.WaitThreadForExit();
  EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - t0).count(), 5000);
  // Three re-queues for the queue's whole life, each to the tail, then every failure drops its item.
  EXPECT_EQ(Ga4Actions(*web), (std::vector<std::string>{"A", "B", "C", "D", "E", "A", "B", "C"}));
  int funnelSends = 0;
  for (const auto& c : web->Calls()) funnelSends += c.kind == 'f';
  EXPECT_EQ(funnelSends, 2 + 3);  // F1 F2 F1 F2 F1
  EXPECT_EQ(log.PendingGa4(), 0u);
  EXPECT_EQ(log.PendingFunnel(), 0u);
}

TEST(UserLogQueue, OffSwitchAnswersMinus99AndStartsNothing) {
  auto web = std::make_shared<FakeWebLog>();
  CSingleUserLog::Options o = Opts(web);
  o.telemetryOff = [] { return true; };
  CSingleUserLog log(o);
  EXPECT_EQ(log.AddUserLog("Download", "1.Launch", ""), kUserLogOff);
  EXPECT_EQ(log.AddUserLog("Download", "7.ProgramLaunch", "", true), kUserLogOff);
  EXPECT_EQ(log.AddUserLog_funnel("Keypoint", "null", 0, "CorePublicModule", "Start", "null", false, false), kUserLogOff);
  EXPECT_EQ(log.AddUserLog_funnelEx("Download", "DownloadEnvReady", "k", "v", false, false), kUserLogOff);
  std::wstring dir = TempDir("off");
  log.SetUserInfo(1, 84, 0, "Lumevia", "", false, dir, 5, nullptr);
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(dir) / "galog.json")) << "run facts still stored";
  auto t0 = steady_clock::now();
  EXPECT_TRUE(log.WaitThreadForExit());
  EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - t0).count(), 100);
  EXPECT_TRUE(web->Calls().empty());
  std::filesystem::remove_all(dir);
}

TEST(UserLogQueue, WaitingSendTriesThreeTimesAndReturnsTheLastAnswer) {
  auto web = std::make_shared<FakeWebLog>();
  web->ga4Answer = -1;
  CSingleUserLog log(Opts(web));
  EXPECT_EQ(log.AddUserLog("Download", "7.ProgramLaunch", "", true), -1);
  EXPECT_EQ(Ga4Actions(*web).size(), 3u);
  web->funnelAnswer = 4;
  EXPECT_EQ(log.AddUserLog_funnel("Keypoint", "null", 0, "CorePublicModule", "Start", "null", true, false), 4);
  web->ga4Answer = 0;
  EXPECT_EQ(log.AddUserLog("Download", "9.StartWindow", "", true), 0);
  EXPECT_EQ(Ga4Actions(*web).size(), 4u);
  log.WaitThreadForExit();
}

TEST(UserLogQueue, WithoutWebLogWaitingFailsAndQueuedItemsAreDropped) {
  CSingleUserLog::Options o = Opts(nullptr);
  o.makeWebLog = [] { return std::shared_ptr<IWebLog>(); };
  CSingleUserLog log(o);
  EXPECT_EQ(log.AddUserLog("Download", "7.ProgramLaunch", "", true), kUserLogNoWebLog);
  EXPECT_EQ(log.AddUserLog("Download", "1.Launch", ""), kUserLogQueued);
  log.WaitThreadForExit();
  EXPECT_EQ(log.PendingGa4(), 0u);
}

TEST(UserLogQueue, ExitWaitIsBoundedWhileASendHangs) {
  auto web = std::make_shared<FakeWebLog>();
  web->sendDelayMs = 3000;
  CSingleUserLog::Options o = Opts(web, 10);
  o.exitWaitMs = 300;
  auto t0 = steady_clock::now();
  {
    CSingleUserLog log(o);
    log.AddUserLog("Download", "1.Launch", "");
    std::this_thread::sleep_for(milliseconds(100));  // the send has begun
    EXPECT_TRUE(log.WaitThreadForExit());
    EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - t0).count(), 1500);
  }  // destroyed while the thread still sends: it keeps the web log alive itself
  EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - t0).count(), 1500);
}

TEST(UserLogQueue, BusyLockDropsTheEventWithoutBlocking) {
  auto web = std::make_shared<FakeWebLog>();
  CSingleUserLog::Options o = Opts(web);
  o.lockWaitMs = 50;
  CSingleUserLog log(o);
  struct NeverSignalled : platform::ForwardingOs {
    bool WaitEvent(platform::EventHandle, unsigned ms) override {
      std::this_thread::sleep_for(milliseconds(ms));
      return false;
    }
  } busy;
  {
    platform::ScopedOs scoped(busy);
    auto t0 = steady_clock::now();
    EXPECT_EQ(log.AddUserLog("Download", "1.Launch", ""), kUserLogQueued);
    EXPECT_EQ(log.AddUserLog_funnelEx("Download", "DownloadEnvReady", "k", "v", false, false), kUserLogQueued);
    EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - t0).count(), 1000);
  }
  EXPECT_EQ(log.PendingGa4(), 0u);
  EXPECT_EQ(log.PendingFunnel(), 0u);
  log.WaitThreadForExit();
  EXPECT_TRUE(web->Calls().empty());
}

TEST(UserLogQueue, TwoRunsOnOneDayAreNewThenKnown) {
  std::wstring dir = TempDir("isnew");
  auto runOnce = [&](telemetry::LocalDate day) {
    auto web = std::make_shared<FakeWebLog>();
    CSingleUserLog::Options o = Opts(web);
    o.today = [day] { return day; };
    CSingleUserLog log(o);
    log.SetUserInfo(1, 3, 0, "Lumevia", "", false, dir, 5, nullptr);
    log.AddUserLog_funnel("Keypoint", "null", 0, "CorePublicModule", "Start", "null", false, false);
    log.WaitThreadForExit();
    return Parse(web->Calls().at(0).text)["is_new"].asInt();
  };
  EXPECT_EQ(runOnce({2026, 12, 8}), 1);
  EXPECT_EQ(runOnce({2026, 12, 8}), 0);
  EXPECT_EQ(runOnce({2026, 12, 9}), 1);
  std::string text;
  ASSERT_TRUE(platform::os().ReadFile(telemetry::GaLogPath(dir), text));
  EXPECT_EQ(Parse(text)["version"].asString(), "1.2.3.4");
  std::filesystem::remove_all(dir);
}
