#include "Common/ProcessSlots.h"

#include <atomic>
#include <mutex>

namespace ProcessSlots {
namespace {
std::mutex g_lock;
std::wstring g_className;
std::atomic<platform::MutexHandle> g_mutex{0};
}  // namespace

std::wstring MainWindowClassName() {
  std::lock_guard<std::mutex> l(g_lock);
  return g_className;
}
void SetMainWindowClassName(const std::wstring& name) {
  std::lock_guard<std::mutex> l(g_lock);
  g_className = name;
}
platform::MutexHandle InstanceMutex() { return g_mutex.load(); }
void SetInstanceMutex(platform::HeldMutex mutex) { platform::HeldMutex previous(g_mutex.exchange(mutex.release())); }
platform::HeldMutex TakeInstanceMutex() { return platform::HeldMutex(g_mutex.exchange(0)); }
}  // namespace ProcessSlots
