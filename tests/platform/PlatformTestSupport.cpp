#include "PlatformTestSupport.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "platform/Utf.h"

namespace fs = std::filesystem;

namespace platform_tests {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  // Wine reuses process ids: the stamp keeps a leftover folder out of the way.
  fs::path p = fs::temp_directory_path() / ("lumevia-platform-" + std::to_string(platform::os().CurrentProcessId()) +
                                            "-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  fs::remove_all(p);
  fs::create_directories(p);
  path_ = p.wstring();
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(fs::path(path_), ec);
}

std::wstring Quote(const std::wstring& s) { return L"\"" + s + L"\""; }

std::wstring ChildProbe() {
  return platform::JoinPath(platform::DirectoryOf(platform::os().ModuleFileName()), LUMEVIA_CHILD_PROBE_NAME);
}

std::vector<std::string> ReadLines(const std::wstring& path) {
  std::string text;
  std::vector<std::string> lines;
  if (!platform::os().ReadFile(path, text)) return lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool WaitForFile(const std::wstring& path, int seconds) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!platform::os().FileExists(path)) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace platform_tests
