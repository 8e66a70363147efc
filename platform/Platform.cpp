#include "platform/Platform.h"

#include <atomic>

#include "platform/TestHooks.h"

namespace platform {

namespace {
std::atomic<Os*> g_current{nullptr};
}

Os& os() {
  Os* p = g_current.load(std::memory_order_acquire);
  return p ? *p : nativeOs();
}

ScopedOs::ScopedOs(Os& replacement) : previous_(g_current.exchange(&replacement)) {}
ScopedOs::~ScopedOs() { g_current.store(previous_); }

unsigned ScaleByTestClock(unsigned ms) {
  if (ms == 0 || ms == 0xFFFFFFFFu) return ms;
  unsigned scaled = ms / hooks::ClockRate();
  return scaled > 0 ? scaled : 1;
}

static bool IsSep(wchar_t c) { return c == L'\\' || c == L'/'; }

std::tm LocalTime(std::time_t t) {
  std::tm tm = {};
#if defined(_WIN32)
  localtime_s(&tm, &t);
#else
  localtime_r(&t, &tm);
#endif
  return tm;
}

std::wstring DirectoryOf(const std::wstring& path) {
  size_t pos = path.find_last_of(L"\\/");
  return pos == std::wstring::npos ? std::wstring() : path.substr(0, pos + 1);
}

std::wstring FileNameOf(const std::wstring& path) {
  size_t pos = path.find_last_of(L"\\/");
  return pos == std::wstring::npos ? path : path.substr(pos + 1);
}

std::wstring JoinPath(const std::wstring& dir, const std::wstring& name) {
  if (dir.empty()) return name;
  if (IsSep(dir.back())) return dir + name;
  return dir + PathSeparator() + name;
}

std::wstring ExplorerPath() {
  std::wstring windows = os().SpecialFolderPath(SpecialFolder::Windows);
  return windows.empty() ? std::wstring() : JoinPath(windows, L"explorer.exe");
}

std::wstring NativeKeyName(RegRoot root, const std::wstring& subKey, RegView view) {
  if (view != RegView::View32 || root != RegRoot::LocalMachine) return subKey;
  // Key names ignore case; only ASCII letters matter here.
  auto startsWord = [&subKey](size_t at, const wchar_t* word) {
    size_t i = 0;
    for (; word[i]; ++i) {
      if (at + i >= subKey.size()) return false;
      wchar_t c = subKey[at + i];
      if ((c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c) != word[i]) return false;
    }
    return at + i == subKey.size() || subKey[at + i] == L'\\';
  };
  if (!startsWord(0, L"software")) return subKey;
  size_t rest = 8;
  while (rest < subKey.size() && subKey[rest] == L'\\') ++rest;
  if (startsWord(rest, L"wow6432node")) return subKey;  // named by its native name already
  std::wstring name = subKey.substr(0, 8) + L"\\WOW6432Node";
  if (rest < subKey.size()) name += L"\\" + subKey.substr(rest);
  return name;
}

}  // namespace platform
