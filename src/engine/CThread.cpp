#include "engine/CThread.h"

#include <chrono>
#include <sstream>
#include <system_error>

#include "FuntionImpl/GuardedRun.h"
#include "log/Log.h"

namespace {
std::string ThreadIdText() {
  std::ostringstream s;
  s << std::this_thread::get_id();
  return s.str();
}
}  // namespace

CThread::CThread() = default;

CThread::~CThread() {
  // Never destroy a running std::thread: the owner stops and waits first;
  // if that did not happen, end the thread here.
  if (thread_.joinable()) {
    stop();
    thread_.join();
  }
}

int CThread::init() {
  try {
    thread_ = std::thread(&CThread::ThreadFunc, this);
  } catch (const std::system_error& e) {
    LOG(INFO) << "  creat thread error code =  " << e.code().value();
    return 0;
  }
  return 1;
}

unsigned CThread::ThreadFunc(CThread* self) {
  for (;;) {
    int32_t s = self->status_.load();
    if (s == THREAD_IDLE) {
      LOG(INFO) << "wait befor thread" << ThreadIdText();
      self->wake_.Wait();
      LOG(INFO) << "wait after thread" << ThreadIdText();
    } else if (s == THREAD_EXIT) {
      self->exited_.Set();
      self->ended_.store(true);  // last touch of the object
      return 1;
    } else if (s == THREAD_WORK) {
      // A task that throws is given back as failed (and run again); the
      // thread goes on.
      if (!FuntionImpl::RunGuarded("Download thread", [self] { self->run(); }))
        if (CTask* t = self->task_.load()) t->status.store(TASK_FAILED);
      // A stop that came during the run wins over going idle.
      int32_t expected = THREAD_WORK;
      if (self->status_.compare_exchange_strong(expected, THREAD_IDLE) && self->idleSignal_) self->idleSignal_->Set();
    }
    // No pause between passes: an idle thread blocks on its auto-reset
    // event, which keeps a signal given before the wait, so nothing spins
    // and a new slice starts without a sleep in between.
  }
}

int CThread::doTask(CTask* task) {
  task_.store(task);
  LOG(INFO) << "do task task id = " << (task ? task->taskId.load() : 0)
            << "   task  sattus = " << (task ? task->status.load() : 0) << "  thread status = " << status_.load();
  status_.store(THREAD_WORK);
  wake_.Set();
  return 1;
}

void CThread::stop() {
  status_.store(THREAD_EXIT);
  wake_.Set();
}

bool CThread::waitForExit(int ms) {
  if (detached_) return ended_.load();
  if (!thread_.joinable()) return true;
  if (!exited_.WaitFor(ms)) {
    thread_.detach();
    detached_ = true;
    return false;
  }
  thread_.join();
  return true;
}
