// Owns the workers and hands a task to a free one. Every list operation runs
// on the one driver thread; no lock protects the lists.
#pragma once
#include <memory>
#include <vector>

#include "engine/CThread.h"

class CThreadManager {
 public:
  CThreadManager();
  virtual ~CThreadManager();
  CThreadManager(const CThreadManager&) = delete;
  CThreadManager& operator=(const CThreadManager&) = delete;

  // Starts count threads; returns how many are running.
  virtual int createThreads(int count);

  CThread* getOneFreeThreads();
  int giveTaskToAThreadTodo(CTask* task);
  void recycleThreads();
  bool hasFreeThreads() const { return !free_.empty(); }
  bool hasBusyThreads() const { return !busy_.empty(); }
  int stopThreads();
  size_t threadCount() const { return threads_.size(); }
  // Returns when a thread finished its task, or after ms.
  void waitForIdleThread(int ms) { idle_.WaitFor(ms); }
  // Ends a waitForIdleThread early, for a change that is not a thread's.
  void wakeWaiter() { idle_.Set(); }

 protected:
  // Takes ownership of a started thread and makes it free.
  void adopt(std::unique_ptr<CThread> thread);
  // Drops every thread (they must have ended) and empties the lists.
  void releaseAllThreads();

  std::vector<CThread*> free_;
  std::vector<CThread*> busy_;
  std::vector<std::unique_ptr<CThread>> threads_;  // every thread started, in start order
  AutoResetEvent idle_;                             // set by a thread whose run ended
};
