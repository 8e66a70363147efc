// One unit of work of the thread pool.
#pragma once
#include <atomic>
#include <cstdint>

#include "engine/EngineCodes.h"

class CTask {
 public:
  CTask() = default;
  virtual ~CTask() = default;  // the manager deletes derived tasks through this type
  CTask(const CTask&) = delete;
  CTask& operator=(const CTask&) = delete;

  std::atomic<int32_t> status{TASK_WAITING};  // TASK_* word
  std::atomic<int32_t> taskId{0};             // 1-based within its manager
};
