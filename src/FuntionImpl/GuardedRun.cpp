#include "FuntionImpl/GuardedRun.h"

#include <atomic>
#include <exception>
#include <thread>

#include "log/Log.h"

namespace FuntionImpl {

namespace {

std::atomic<int> g_running{0};

struct Counted {
  ~Counted() { g_running.fetch_sub(1); }
};

}  // namespace

bool RunGuarded(const char* what, const std::function<void()>& work) {
  try {
    work();
    return true;
  } catch (const std::exception& e) {
    LOG(INFO) << " " << what << " stopped: " << e.what();
  } catch (...) {
    LOG(INFO) << " " << what << " stopped";
  }
  return false;
}

bool StartCounted(const char* what, std::function<void()> work) {
  g_running.fetch_add(1);
  try {
    std::thread([what, work = std::move(work)]() mutable {
      Counted counted;
      // What the work holds goes before the count drops: at zero the process
      // may end and take the log and the statics with it.
      std::function<void()> run = std::move(work);
      RunGuarded(what, run);
    }).detach();
    return true;
  } catch (const std::exception& e) {
    g_running.fetch_sub(1);
    LOG(INFO) << " " << what << " not started: " << e.what();
    return false;
  }
}

int RunningThreads() { return g_running.load(); }

}  // namespace FuntionImpl
