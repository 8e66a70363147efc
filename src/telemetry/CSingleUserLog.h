// The installer's telemetry entry: any thread reports an event here; the
// call only queues it (unless it asks to wait) and one delivery thread sends
// the queues in order through the web log. Nothing here reports failure to
// the user; failures reach the log file only.
//
//   CSingleUserLog::Instance().AddUserLog("Download", "1.Launch", "");
//   CSingleUserLog::Instance().SetUserInfo(...);      // once, window init
//   CSingleUserLog::Instance().WaitThreadForExit();   // once, process end
//
// Waiting sends (wait = true) block the caller for up to three HTTP
// requests: make them from a worker thread, never from the window's.
// The web log comes from CreateExportObj, which every program linking the
// queue carries (and the executable exports).
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "telemetry/GaLogState.h"
#include "telemetry/RunFacts.h"
#include "weblog/IWebLog.h"

// Results of the reporting operations (besides the web log's own answers).
enum UserLogResult {
  kUserLogQueued = 0,        // queued, or dropped when the lock stayed busy
  kUserLogNoWebLog = -1,     // waiting send without a web-log object
  kUserLogOff = -99,         // telemetry switched off (AutoRun = 1)
};

class CSingleUserLog {
 public:
  using IMainWindowFacts = telemetry::IMainWindowFacts;

  // What the queue depends on; the defaults are the real ones. Tests set
  // their own web log, clock, switch and bounds.
  struct Options {
    // Made when the queue is built; null means no web-log object.
    std::function<std::shared_ptr<IWebLog>()> makeWebLog;
    std::function<bool()> telemetryOff;              // default: run option AutoRun
    std::function<telemetry::LocalDate()> today;     // for is_new
    std::function<telemetry::BaseFacts()> baseFacts;
    unsigned exitWaitMs = 600000;   // WaitThreadForExit's bound
    unsigned idleSleepMs = 500;     // delivery thread, both queues empty
    unsigned lockWaitMs = 200;      // taking a queue lock
    int retryBudget = 3;            // per queue, for the thread's whole life
  };

  // The process-wide instance, built on first use.
  static CSingleUserLog& Instance();

  CSingleUserLog();
  explicit CSingleUserLog(Options options);
  ~CSingleUserLog();
  CSingleUserLog(const CSingleUserLog&) = delete;
  CSingleUserLog& operator=(const CSingleUserLog&) = delete;

  // One GA4 event; label may be empty or null.
  int AddUserLog(const char* category, const char* action, const char* label, bool wait = false);
  // The full form: (value one, action, wait, value two, payload, label, category).
  int AddUserLog(int valueOne, const char* action, bool wait, int valueTwo, const char* payload, const char* label,
                 const char* category);

  int AddUserLog_funnel(std::string event_type, std::string core_func_name, int func_step,
                        std::string event_category, std::string event_action, std::string event_label, bool wait,
                        bool kit_mark);
  int AddUserLog_funnelEx(std::string event_category, std::string event_action,
                          std::map<std::string, std::string> extra, bool wait, bool kit_mark);
  int AddUserLog_funnelEx(std::string event_category, std::string event_action, std::string key, std::string value,
                          bool wait, bool kit_mark);

  // The run facts, once, while the main window initialises. mainWnd must
  // stay valid for the rest of the run (it may be null); it is read from
  // any reporting thread, so its two answers must be safe to read there.
  void SetUserInfo(int Downloader_id, int Site_id, int Language_id, std::string product, std::string channelSource,
                   bool toolkit, std::wstring galogFolder, int pid, const IMainWindowFacts* mainWnd);

  // Process end: lets the delivery thread empty both queues, waiting at most
  // Options::exitWaitMs. Returns true.
  bool WaitThreadForExit();

  // For tests and the benchmark: items waiting in the two queues.
  size_t PendingGa4();
  size_t PendingFunnel();
  telemetry::UserFacts UserFactsNow();

 private:
  struct Core;
  static void UserLogManagerThread(std::shared_ptr<Core> core);
  int QueueFunnelRecord(std::string record, bool wait, const std::string& category, const std::string& action);
  void ErrorPhases(const std::string& category, const std::string& action, const std::string& label);

  std::shared_ptr<Core> core_;
};
