// Owns the tasks: all of them in creation order, a waiting list (first in,
// first out) and a taken list (running or finished). Driver thread only.
#pragma once
#include <deque>
#include <memory>
#include <vector>

#include "engine/CTask.h"

class CTaskManager {
 public:
  CTaskManager() = default;
  virtual ~CTaskManager() = default;
  CTaskManager(const CTaskManager&) = delete;
  CTaskManager& operator=(const CTaskManager&) = delete;

  virtual CTask* getOneTask();
  virtual int addWaitingTask(CTask* task);
  virtual int addRunningTask(CTask* task);

  // Takes ownership.
  int addTask(std::unique_ptr<CTask> task);
  void recycleTasks();
  bool hasWaitingTasks() const { return !waiting_.empty(); }
  bool hasUnfinishedTasks() const;
  void clearTasks();
  int32_t tasksCount() const { return count_; }
  const std::vector<CTask*>& takenTasks() const { return taken_; }

 protected:
  std::vector<std::unique_ptr<CTask>> all_;
  int32_t count_ = 0;  // "TasksCount"
  std::vector<CTask*> taken_;
  std::deque<CTask*> waiting_;
};
