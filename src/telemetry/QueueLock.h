// A queue's lock: a named auto-reset event, signalled while free, so that
// taking it (a wait that resets it) is one step and bounded in time.
#pragma once
#include <string>

#include "platform/OwnedHandles.h"

namespace telemetry {

class QueueLock {
 public:
  explicit QueueLock(const std::wstring& name);
  QueueLock(const QueueLock&) = delete;
  QueueLock& operator=(const QueueLock&) = delete;

  bool Take(unsigned timeoutMs);
  void Release();

 private:
  platform::OwnedEvent event_;
};

// Holds a lock taken within the time, releases it on leaving the scope.
class QueueLockHold {
 public:
  QueueLockHold(QueueLock& lock, unsigned timeoutMs) : lock_(lock), held_(lock.Take(timeoutMs)) {}
  ~QueueLockHold() {
    if (held_) lock_.Release();
  }
  explicit operator bool() const { return held_; }

 private:
  QueueLock& lock_;
  bool held_;
};

}  // namespace telemetry
