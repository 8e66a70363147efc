#include "telemetry/QueueLock.h"

namespace telemetry {

QueueLock::QueueLock(const std::wstring& name) {
  event_ = platform::os().CreateNamedEvent(name, /*manualReset=*/false, /*initialState=*/true);
}

QueueLock::~QueueLock() { platform::os().CloseEvent(event_); }

bool QueueLock::Take(unsigned timeoutMs) { return platform::os().WaitEvent(event_, timeoutMs); }

void QueueLock::Release() { platform::os().SignalEvent(event_); }

}  // namespace telemetry
