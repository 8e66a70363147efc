#include "telemetry/QueueLock.h"

namespace telemetry {

QueueLock::QueueLock(const std::wstring& name)
    : event_(platform::os().CreateNamedEvent(name, /*manualReset=*/false, /*initialState=*/true)) {}

bool QueueLock::Take(unsigned timeoutMs) { return platform::os().WaitEvent(event_.get(), timeoutMs); }

void QueueLock::Release() { platform::os().SignalEvent(event_.get()); }

}  // namespace telemetry
