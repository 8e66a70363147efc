// Process-wide slots shared by the start-up and the install worker.
#pragma once
#include <string>

#include "platform/Platform.h"

namespace ProcessSlots {
// "ZQ_UI_Frame_<id>" once the early product id was read; empty before.
std::wstring MainWindowClassName();
void SetMainWindowClassName(const std::wstring& name);
// The single-instance mutex held by the main thread.
platform::MutexHandle InstanceMutex();
void SetInstanceMutex(platform::MutexHandle h);
}  // namespace ProcessSlots
