#include "toolkit/Shell.h"

#include <mutex>

#include "toolkit/Backend.h"

namespace SkinUI {

namespace {
std::mutex g_lock;
ShellOpenHook& Hook() {
  static ShellOpenHook hook;
  return hook;
}
}  // namespace

ShellOpenHook SetShellOpenHook(ShellOpenHook hook) {
  std::lock_guard<std::mutex> l(g_lock);
  ShellOpenHook old = Hook();
  Hook() = std::move(hook);
  return old;
}

bool ShellOpen(const std::wstring& target, const std::wstring& parameters) {
  ShellOpenHook hook;
  {
    std::lock_guard<std::mutex> l(g_lock);
    hook = Hook();
  }
  if (hook) return hook(target, parameters);
  return backend::ShellOpen(target, parameters);
}

}  // namespace SkinUI
