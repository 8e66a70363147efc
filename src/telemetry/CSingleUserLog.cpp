#include "telemetry/CSingleUserLog.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "FuntionImpl/GuardedRun.h"
#include "FuntionImpl/RunOptions.h"
#include "log/Log.h"
#include "platform/Platform.h"
#include "telemetry/FunnelRecord.h"
#include "telemetry/Ga4Query.h"
#include "telemetry/QueueLock.h"
#include "telemetry/UserLogItem.h"
#include "weblog/WebLogExports.h"

using telemetry::QueueLock;
using telemetry::QueueLockHold;

namespace {

// Sends of a waiting call, in a row, without pause.
constexpr int kWaitingSends = 3;

std::shared_ptr<IWebLog> MakeExportedWebLog() {
  IWebLog* obj = CreateExportObj();
  if (!obj) return nullptr;
  return std::shared_ptr<IWebLog>(obj, [](IWebLog* o) { DestroyExportObj(o); });
}

// The lock names carry the process and the instance: a fixed name would be
// shared with every other copy of the installer in the session, and a copy
// that dies holding it would starve the others.
std::wstring LockName(const wchar_t* base) {
  static std::atomic<unsigned> serial{0};
  return std::wstring(base) + L"_" + std::to_wstring(platform::os().CurrentProcessId()) + L"_" +
         std::to_wstring(serial++);
}

}  // namespace

struct CSingleUserLog::Core {
  Options opt;
  bool off = false;
  std::shared_ptr<IWebLog> web;
  telemetry::BaseFacts base;

  std::mutex factsLock;
  telemetry::UserFacts user;

  QueueLock ga4Lock{LockName(L"UserLogGA4Mutex")};
  QueueLock funnelLock{LockName(L"UserLogFunnelMutex")};
  std::deque<UserLogItem> ga4, funnel;     // each only under its lock
  std::atomic<size_t> ga4Count{0}, funnelCount{0};

  std::atomic<bool> exit{false};
  std::atomic<bool> firstRecord{true};

  // Error phases: tested and updated under their own lock.
  std::mutex phaseLock;
  bool flowPhaseOpen = false, kitPhaseOpen = false;
  int flowStep = 1, kitStep = 1;

  // Delivery thread state.
  std::mutex threadLock;
  std::condition_variable threadCv;
  bool threadDone = false;
  std::thread thread;

  telemetry::UserFacts Facts() {
    std::lock_guard<std::mutex> g(factsLock);
    return user;
  }

  // The flag is set under the thread's lock: set between the thread's test
  // and its wait, the wake-up would be lost and the thread sleep its idle
  // period through the exit.
  void RequestExit() {
    {
      std::lock_guard<std::mutex> g(threadLock);
      exit = true;
    }
    threadCv.notify_all();
  }

  int SendGa4(const std::string& category, const std::string& action, const std::string& label) {
    if (off) return kUserLogOff;
    if (!web) return kUserLogNoWebLog;
    std::string query = telemetry::BuildGa4Query(base, Facts(), category, action, label);
    return web->ReportGA4(query.c_str());
  }

  bool Push(QueueLock& lock, std::deque<UserLogItem>& q, std::atomic<size_t>& count, UserLogItem item) {
    QueueLockHold hold(lock, opt.lockWaitMs);
    if (!hold) return false;
    q.push_back(std::move(item));
    ++count;
    return true;
  }

  bool Pop(QueueLock& lock, std::deque<UserLogItem>& q, std::atomic<size_t>& count, UserLogItem& item) {
    QueueLockHold hold(lock, opt.lockWaitMs);
    if (!hold || q.empty()) return false;
    item = std::move(q.front());
    q.pop_front();
    --count;
    return true;
  }
};

CSingleUserLog& CSingleUserLog::Instance() {
  static CSingleUserLog instance;
  return instance;
}

CSingleUserLog::CSingleUserLog() : CSingleUserLog(Options()) {}

CSingleUserLog::CSingleUserLog(Options options) : core_(std::make_shared<Core>()) {
  Core& c = *core_;
  c.opt = std::move(options);
  if (!c.opt.makeWebLog) c.opt.makeWebLog = MakeExportedWebLog;
  if (!c.opt.telemetryOff) c.opt.telemetryOff = FuntionImpl::IsAutoRun;
  if (!c.opt.today) c.opt.today = telemetry::TodayLocal;
  if (!c.opt.baseFacts) c.opt.baseFacts = telemetry::ComputeBaseFacts;
  c.base = c.opt.baseFacts();
  c.web = c.opt.makeWebLog();
  c.off = c.opt.telemetryOff();
  if (c.off) {
    c.threadDone = true;
    return;
  }
  c.thread = std::thread(UserLogManagerThread, core_);
}

CSingleUserLog::~CSingleUserLog() {
  Core& c = *core_;
  c.RequestExit();
  if (!c.thread.joinable()) return;
  bool done;
  {
    std::lock_guard<std::mutex> g(c.threadLock);
    done = c.threadDone;
  }
  // A thread still sending keeps the shared state (and the web log) alive
  // by itself; it is not waited for here.
  if (done) c.thread.join();
  else c.thread.detach();
}

int CSingleUserLog::AddUserLog(const char* category, const char* action, const char* label, bool wait) {
  return AddUserLog(0, action, wait, 0, nullptr, label, category);
}

int CSingleUserLog::AddUserLog(int valueOne, const char* action, bool wait, int valueTwo, const char* payload,
                               const char* label, const char* category) {
  Core& c = *core_;
  if (c.off) return kUserLogOff;
  UserLogItem item;
  item.valueOne = valueOne;
  item.valueTwo = valueTwo;
  item.payload = payload ? payload : "";
  item.action = action ? action : "";
  item.label = label ? label : "";
  item.category = category ? category : "";

  ErrorPhases(item.category, item.action, item.label);

  if (!wait) {
    // A lock that stays busy drops the event: telemetry never holds up the caller.
    c.Push(c.ga4Lock, c.ga4, c.ga4Count, std::move(item));
    return kUserLogQueued;
  }
  if (!c.web) return kUserLogNoWebLog;
  int rc = 0;
  for (int i = 0; i < kWaitingSends; ++i)
    if ((rc = c.SendGa4(item.category, item.action, item.label)) == 0) break;
  if (rc != 0)
    LOG(INFO) << "send ga4 fail, bWait = true, retry is max, retcode = " << rc << ", " << item.category << "###"
              << item.action;
  return rc;
}

void CSingleUserLog::ErrorPhases(const std::string& category, const std::string& action, const std::string& label) {
  Core& c = *core_;
  bool flowError = action == "FlowError";
  bool kitError = action == "FlowErrorIsChToolKitErrorCode";
  bool closing = category == "CrashRate" && action == "Close";
  if (!flowError && !kitError && !closing) return;

  // Held while the records are queued, so that each start record goes out
  // once, each step number once, and in this order.
  std::lock_guard<std::mutex> g(c.phaseLock);
  auto send = [this](const char* phase, int step, const std::string& act, bool kit) {
    AddUserLog_funnel("CoreFuncEvent", phase, step, "Download", act, "null", false, kit);
  };
  if (kitError) {
    if (!c.kitPhaseOpen) {
      c.kitPhaseOpen = true;
      send("FlowIsChToolKitError", 0, "CoreFuncStart", false);
    }
    send("FlowIsChToolKitError", c.kitStep++, label, true);
  } else if (flowError) {
    if (!c.flowPhaseOpen) {
      c.flowPhaseOpen = true;
      send("FlowError", 0, "CoreFuncStart", false);
    }
    send("FlowError", c.flowStep++, label, false);
  } else {
    if (c.flowPhaseOpen) send("FlowError", 0, "CoreFuncEnd", false);
    if (c.kitPhaseOpen) send("FlowIsChToolKitError", 0, "CoreFuncEnd", false);
  }
}

int CSingleUserLog::AddUserLog_funnel(std::string event_type, std::string core_func_name, int func_step,
                                      std::string event_category, std::string event_action,
                                      std::string event_label, bool wait, bool kit_mark) {
  Core& c = *core_;
  if (c.off) return kUserLogOff;
  telemetry::FunnelEvent ev{std::move(event_type), std::move(core_func_name), func_step,
                            event_category,        event_action,              std::move(event_label)};
  std::string record = telemetry::BuildFunnelRecord(c.base, c.Facts(), ev, kit_mark);
  return QueueFunnelRecord(std::move(record), wait, event_category, event_action);
}

int CSingleUserLog::AddUserLog_funnelEx(std::string event_category, std::string event_action,
                                        std::map<std::string, std::string> extra, bool wait, bool kit_mark) {
  Core& c = *core_;
  if (c.off) return kUserLogOff;
  std::string record =
      telemetry::BuildFunnelExRecord(c.base, c.Facts(), event_category, event_action, extra, kit_mark);
  return QueueFunnelRecord(std::move(record), wait, event_category, event_action);
}

int CSingleUserLog::AddUserLog_funnelEx(std::string event_category, std::string event_action, std::string key,
                                        std::string value, bool wait, bool kit_mark) {
  return AddUserLog_funnelEx(std::move(event_category), std::move(event_action), {{std::move(key), std::move(value)}},
                             wait, kit_mark);
}

int CSingleUserLog::QueueFunnelRecord(std::string record, bool wait, const std::string& category,
                                      const std::string& action) {
  Core& c = *core_;
  // The first record of the run notes the tools version in "galog.json";
  // before SetUserInfo there is no folder, and the note waits for it.
  std::wstring folder = c.Facts().galogFolder;
  bool first = true;
  if (!folder.empty() && c.firstRecord.compare_exchange_strong(first, false))
    telemetry::UpdateGaLogVersion(telemetry::GaLogPath(folder), c.base.toolsVersion);

  if (wait) {
    if (!c.web) return kUserLogNoWebLog;
    int rc = 0;
    for (int i = 0; i < kWaitingSends; ++i)
      if ((rc = c.web->SoftDataReport(record.c_str())) == 0) break;
    if (rc != 0)
      LOG(INFO) << "send funnel fail, bWait = true, retry is max, retcode = " << rc << ", " << category << "###"
                << action;
    return rc;
  }
  UserLogItem item;
  item.payload = std::move(record);
  c.Push(c.funnelLock, c.funnel, c.funnelCount, std::move(item));
  return kUserLogQueued;
}

void CSingleUserLog::SetUserInfo(int Downloader_id, int Site_id, int Language_id, std::string product,
                                 std::string channelSource, bool toolkit, std::wstring galogFolder, int pid,
                                 const IMainWindowFacts* mainWnd) {
  Core& c = *core_;
  telemetry::UserFacts u;
  u.downloaderId = Downloader_id;
  u.siteId = Site_id;
  u.languageId = Language_id;
  u.product = std::move(product);
  u.channelSource = std::move(channelSource);
  u.toolkit = toolkit;
  u.galogFolder = std::move(galogFolder);
  u.pid = pid;
  u.mainWnd = mainWnd;
  // Without a folder nothing can be remembered: every such run is new.
  u.isNew = u.galogFolder.empty() ? 1 : telemetry::UpdateIsNew(telemetry::GaLogPath(u.galogFolder), c.opt.today());
  std::lock_guard<std::mutex> g(c.factsLock);
  c.user = std::move(u);
}

bool CSingleUserLog::WaitThreadForExit() {
  Core& c = *core_;
  LOG(INFO) << "CSingleUserLog WaitThreadForExit";
  c.RequestExit();
  std::unique_lock<std::mutex> lk(c.threadLock);
  bool done = c.threadCv.wait_for(lk, std::chrono::milliseconds(c.opt.exitWaitMs), [&] { return c.threadDone; });
  lk.unlock();
  if (done && c.thread.joinable()) c.thread.join();
  return true;
}

size_t CSingleUserLog::PendingGa4() { return core_->ga4Count; }
size_t CSingleUserLog::PendingFunnel() { return core_->funnelCount; }
telemetry::UserFacts CSingleUserLog::UserFactsNow() { return core_->Facts(); }

void CSingleUserLog::UserLogManagerThread(std::shared_ptr<Core> core) {
  Core& c = *core;
  int ga4Budget = 0, funnelBudget = 0;
  for (;;) {
    if (c.ga4Count == 0 && c.funnelCount == 0) {
      if (c.exit) break;
      std::unique_lock<std::mutex> lk(c.threadLock);
      c.threadCv.wait_for(lk, std::chrono::milliseconds(c.opt.idleSleepMs), [&] { return c.exit.load(); });
      continue;
    }
    // A report that throws is dropped; delivery goes on with the next.
    FuntionImpl::RunGuarded("Telemetry delivery", [&] {
      UserLogItem item;
      if (c.ga4Count > 0 && c.Pop(c.ga4Lock, c.ga4, c.ga4Count, item) && c.web) {
        int rc = c.SendGa4(item.category, item.action, item.label);
        if (rc != 0 && ga4Budget < c.opt.retryBudget) {
          ++ga4Budget;
          c.Push(c.ga4Lock, c.ga4, c.ga4Count, item);
        } else if (rc != 0) {
          LOG(INFO) << "send ga4 fail in ga4 queue, retry is max, retcode = " << rc << ", " << item.category << "###"
                    << item.action;
        }
      }
      item = UserLogItem();
      if (c.funnelCount > 0 && c.Pop(c.funnelLock, c.funnel, c.funnelCount, item) && c.web) {
        int rc = c.web->SoftDataReport(item.payload.c_str());
        if (rc != 0 && funnelBudget < c.opt.retryBudget) {
          ++funnelBudget;
          c.Push(c.funnelLock, c.funnel, c.funnelCount, item);
        } else if (rc != 0) {
          LOG(INFO) << "send funnel fail in funnel queue, retry is max, retcode = " << rc << ", " << item.category
                    << "###" << item.action;
        }
      }
    });
  }
  std::lock_guard<std::mutex> g(c.threadLock);
  c.threadDone = true;
  c.threadCv.notify_all();
}
