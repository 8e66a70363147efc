#include "weblog/ClientErrorLog.h"

#include <cstdio>
#include <ctime>
#include <mutex>

#include "platform/Platform.h"
#include "platform/Utf.h"

namespace weblog {

std::wstring ClientErrorLogPath() {
  std::wstring dir = platform::DirectoryOf(platform::os().ModuleFileName());
  return dir + L"Logs" + platform::PathSeparator() + L".log";
}

void WriteClientErrorLog(const std::string& message) {
  static std::mutex lock;
  std::wstring path = ClientErrorLogPath();
  platform::Os& os = platform::os();
  if (!os.IsDirectory(platform::DirectoryOf(path))) return;
  std::lock_guard<std::mutex> g(lock);
  std::time_t now = std::time(nullptr);
  std::tm t = *std::localtime(&now);
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "[%u/%u/%u-%u:%u:%u] ", unsigned(t.tm_year + 1900), unsigned(t.tm_mon + 1),
                unsigned(t.tm_mday), unsigned(t.tm_hour), unsigned(t.tm_min), unsigned(t.tm_sec));
  std::string old;
  os.ReadFile(path, old);
  os.WriteFile(path, old + stamp + message);
}

}  // namespace weblog
