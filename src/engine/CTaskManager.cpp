#include "engine/CTaskManager.h"

CTask* CTaskManager::getOneTask() {
  if (waiting_.empty()) return nullptr;
  CTask* t = waiting_.front();
  waiting_.pop_front();
  t->status.store(TASK_RUNNING);
  taken_.push_back(t);
  return t;
}

int CTaskManager::addWaitingTask(CTask* task) {
  if (!task) return 0;
  waiting_.push_back(task);
  return 1;
}

int CTaskManager::addRunningTask(CTask* task) {
  if (!task) return 0;
  taken_.push_back(task);
  return 1;
}

int CTaskManager::addTask(std::unique_ptr<CTask> task) {
  if (!task) return 0;
  CTask* t = task.get();
  all_.push_back(std::move(task));
  count_ = static_cast<int32_t>(all_.size());
  return t->status.load() == TASK_FINISHED ? addRunningTask(t) : addWaitingTask(t);
}

void CTaskManager::recycleTasks() {
  for (auto it = taken_.begin(); it != taken_.end();) {
    int32_t s = (*it)->status.load();
    if (s == TASK_FINISHED || s == TASK_RUNNING) {
      ++it;
    } else {
      waiting_.push_back(*it);
      it = taken_.erase(it);
    }
  }
}

bool CTaskManager::hasUnfinishedTasks() const {
  if (!waiting_.empty()) return true;
  for (CTask* t : taken_)
    if (t->status.load() != TASK_FINISHED) return true;
  return false;
}

void CTaskManager::clearTasks() {
  waiting_.clear();
  taken_.clear();
  all_.clear();
  count_ = 0;
}
