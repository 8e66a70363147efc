// Process-wide slots shared by the start-up and the install worker.
#pragma once
#include <string>

#include "platform/OwnedHandles.h"

namespace ProcessSlots {
// "ZQ_UI_Frame_<id>" once the early product id was read; empty before.
std::wstring MainWindowClassName();
void SetMainWindowClassName(const std::wstring& name);
// The single-instance mutex held by the main thread. The slot owns it: a
// new one put in releases the one before; taking it empties the slot, and
// the owner taken releases it.
platform::MutexHandle InstanceMutex();
void SetInstanceMutex(platform::HeldMutex mutex);
platform::HeldMutex TakeInstanceMutex();
}  // namespace ProcessSlots
