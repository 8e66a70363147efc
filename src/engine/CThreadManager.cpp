#include "engine/CThreadManager.h"

#include <algorithm>

#include "log/Log.h"

namespace {
constexpr int kStopWaitMs = 30000;  // per thread
}

CThreadManager::CThreadManager() = default;

CThreadManager::~CThreadManager() {
  for (CThread* t : free_) t->stop();
  for (CThread* t : busy_) t->stop();
  for (auto& t : threads_) t->waitForExit(kStopWaitMs);
  releaseAllThreads();
}

int CThreadManager::createThreads(int count) {
  for (int i = 1; i <= count; ++i) {
    auto t = std::make_unique<CThread>();
    if (t->init()) adopt(std::move(t));
  }
  return static_cast<int>(threads_.size());
}

void CThreadManager::adopt(std::unique_ptr<CThread> thread) {
  thread->setIdleSignal(&idle_);
  free_.push_back(thread.get());
  threads_.push_back(std::move(thread));
}

CThread* CThreadManager::getOneFreeThreads() {
  if (free_.empty()) {
    LOG(INFO) << "is no free threads";
    return nullptr;
  }
  CThread* t = free_.back();
  free_.pop_back();
  return t;
}

int CThreadManager::giveTaskToAThreadTodo(CTask* task) {
  CThread* t = getOneFreeThreads();
  if (!t) {
    LOG(INFO) << "get free thread is null" << (task ? task->taskId.load() : 0);
    return 0;
  }
  t->doTask(task);
  busy_.push_back(t);
  return 1;
}

void CThreadManager::recycleThreads() {
  for (auto it = busy_.begin(); it != busy_.end();) {
    if ((*it)->status() == THREAD_IDLE) {
      free_.push_back(*it);
      it = busy_.erase(it);
    } else {
      ++it;
    }
  }
}

int CThreadManager::stopThreads() {
  for (CThread* t : free_) t->stop();
  LOG(INFO) << "start wait threads eixt";
  for (auto& t : threads_) t->waitForExit(kStopWaitMs);
  LOG(INFO) << "end wait threads eixt";
  return 1;
}

void CThreadManager::releaseAllThreads() {
  for (auto& t : threads_) {
    // A thread left running after its wait still uses its object: keep it alive.
    if (!t->waitForExit(0)) (void)t.release();
  }
  threads_.clear();
  free_.clear();
  busy_.clear();
}
