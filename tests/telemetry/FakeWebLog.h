// A web log that records what the queue hands it and answers from a script.
#pragma once
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "weblog/IWebLog.h"

class FakeWebLog final : public IWebLog {
 public:
  struct Call {
    char kind;  // 'g' GA4, 'f' funnel
    std::string text;
  };

  int UsageReport(const char*, const char*) override { return -2; }
  int QueryTools(const char*, char*, int) override { return -2; }
  int QueryDownloaderVersion(int, int, int, char*, int) override { return -2; }
  int UploadErrorLog(const wchar_t*) override { return -2; }
  int FeedbackTicket(const char*, const char*) override { return -2; }
  int ReportUAEvent(const char*, const char*, const char*) override { return -2; }
  int SoftDataReport(const char* record) override { return Answer('f', record); }
  int ReportGA4(const char* query) override { return Answer('g', query); }
  int ProxySelfTest() override { return -2; }

  std::vector<Call> Calls() {
    std::lock_guard<std::mutex> g(lock_);
    return calls_;
  }

  std::atomic<int> ga4Answer{0};
  std::atomic<int> funnelAnswer{0};
  std::atomic<int> sendDelayMs{0};
  std::atomic<bool> hold{false};  // sends wait while set

 private:
  int Answer(char kind, const char* text) {
    for (int i = 0; hold && i < 10000; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (sendDelayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(sendDelayMs));
    std::lock_guard<std::mutex> g(lock_);
    calls_.push_back({kind, text ? text : ""});
    return kind == 'g' ? ga4Answer.load() : funnelAnswer.load();
  }
  std::mutex lock_;
  std::vector<Call> calls_;
};
