// A worker of the pool: runs one task at a time, sleeps on its wake event
// while idle.
#pragma once
#include <atomic>
#include <cstdint>
#include <thread>

#include "engine/AutoResetEvent.h"
#include "engine/CTask.h"

class CThread {
 public:
  CThread();
  virtual ~CThread();
  CThread(const CThread&) = delete;
  CThread& operator=(const CThread&) = delete;

  // Starts the thread; 0 when it could not be started.
  int init();
  int doTask(CTask* task);
  void stop();
  // Waits for the thread to end; false when it is still running after ms.
  // A thread left running is detached: its object must then not be freed.
  bool waitForExit(int ms);

  int32_t status() const { return status_.load(); }
  // Signalled each time a run ends, so the driver need not poll for idle threads.
  void setIdleSignal(AutoResetEvent* e) { idleSignal_ = e; }
  CTask* currentTask() const { return task_.load(); }

  // Performs the current task; the base does nothing.
  virtual int run() { return 1; }

 private:
  static unsigned ThreadFunc(CThread* self);

  std::thread thread_;
  bool detached_ = false;
  std::atomic<bool> ended_{false};
  std::atomic<int32_t> status_{THREAD_IDLE};
  std::atomic<CTask*> task_{nullptr};
  AutoResetEvent wake_;
  AutoResetEvent exited_;
  AutoResetEvent* idleSignal_ = nullptr;  // the manager's, not owned
};
