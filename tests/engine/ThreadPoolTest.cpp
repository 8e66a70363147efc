#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/CTaskManager.h"
#include "engine/CThreadManager.h"

namespace {

// Records the order in which tasks ran; tasks with an even id fail once.
std::mutex g_mutex;
std::vector<int> g_ran;

class RecordingThread final : public CThread {
 public:
  using CThread::CThread;
  ~RecordingThread() override {
    stop();
    waitForExit(30000);
  }
  int run() override {
    CTask* t = currentTask();
    std::lock_guard<std::mutex> lock(g_mutex);
    g_ran.push_back(t->taskId.load());
    bool failedBefore = false;
    for (size_t i = 0; i + 1 < g_ran.size(); ++i) failedBefore |= g_ran[i] == t->taskId.load();
    t->status.store(t->taskId.load() % 2 == 0 && !failedBefore ? TASK_FAILED : TASK_FINISHED);
    return 1;
  }
};

class RecordingManager final : public CThreadManager {
 public:
  int createThreads(int count) override {
    for (int i = 0; i < count; ++i) {
      auto t = std::make_unique<RecordingThread>();
      if (t->init()) adopt(std::move(t));
    }
    return static_cast<int>(threads_.size());
  }
};

std::unique_ptr<CTask> MakeTask(int id, int32_t status = TASK_WAITING) {
  auto t = std::make_unique<CTask>();
  t->taskId.store(id);
  t->status.store(status);
  return t;
}

// The driver's loop, bounded.
void Pump(CThreadManager& threads, CTaskManager& tasks) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while ((tasks.hasUnfinishedTasks() || threads.hasBusyThreads()) && std::chrono::steady_clock::now() < deadline) {
    threads.recycleThreads();
    tasks.recycleTasks();
    while (tasks.hasWaitingTasks() && threads.hasFreeThreads()) threads.giveTaskToAThreadTodo(tasks.getOneTask());
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace

TEST(ThreadPool, CreatingNoThreadsStartsNothing) {
  CThreadManager m;
  EXPECT_EQ(0, m.createThreads(0));
  EXPECT_FALSE(m.hasFreeThreads());
  EXPECT_EQ(nullptr, m.getOneFreeThreads());
}

TEST(ThreadPool, OneThreadRunsTasksInWaitingOrderAndRequeuesFailedOnes) {
  g_ran.clear();
  RecordingManager threads;
  ASSERT_EQ(1, threads.createThreads(1));
  CTaskManager tasks;
  for (int id = 1; id <= 3; ++id) tasks.addTask(MakeTask(id));
  Pump(threads, tasks);
  // 2 failed on its first run and went to the end of the waiting list.
  EXPECT_EQ((std::vector<int>{1, 2, 3, 2}), g_ran);
  EXPECT_FALSE(tasks.hasUnfinishedTasks());
  EXPECT_EQ(1, threads.stopThreads());
}

TEST(ThreadPool, ThreadReturnsToFreeListOnlyWhenRecycled) {
  g_ran.clear();
  RecordingManager threads;
  ASSERT_EQ(1, threads.createThreads(1));
  CTaskManager tasks;
  tasks.addTask(MakeTask(1));
  ASSERT_EQ(1, threads.giveTaskToAThreadTodo(tasks.getOneTask()));
  EXPECT_FALSE(threads.hasFreeThreads());
  EXPECT_EQ(0, threads.giveTaskToAThreadTodo(nullptr));
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (tasks.hasUnfinishedTasks() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(threads.hasFreeThreads());
  threads.recycleThreads();
  EXPECT_TRUE(threads.hasFreeThreads());
  EXPECT_FALSE(threads.hasBusyThreads());
}

TEST(ThreadPool, FinishedTaskFromFileGoesStraightToTakenList) {
  CTaskManager tasks;
  tasks.addTask(MakeTask(1, TASK_FINISHED));
  EXPECT_FALSE(tasks.hasWaitingTasks());
  EXPECT_FALSE(tasks.hasUnfinishedTasks());
  tasks.addTask(MakeTask(2, TASK_RUNNING));  // running when the last run ended: queued again
  EXPECT_TRUE(tasks.hasWaitingTasks());
  CTask* t = tasks.getOneTask();
  ASSERT_NE(nullptr, t);
  EXPECT_EQ(2, t->taskId.load());
  EXPECT_EQ(TASK_RUNNING, t->status.load());
  tasks.clearTasks();
  EXPECT_EQ(0, tasks.tasksCount());
}

TEST(ThreadPool, StopThreadsEndsIdleThreadsPromptly) {
  CThreadManager threads;
  ASSERT_EQ(3, threads.createThreads(3));
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(1, threads.stopThreads());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}
