// POSIX: no window; the product only reports that it was started.
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "package/DemoHost.h"
#include "platform/Utf.h"

namespace demo {

std::wstring RawCommandLine(int argc, char** argv) {
  // The platform's process start passes the whole line as one argument; by
  // hand, several arguments are joined the way a shell split them.
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  return platform::WideFromUtf8(line);
}

void MarkRunnable(const std::wstring& path) {
  chmod(platform::Utf8FromWide(path).c_str(), 0755);
}

void CrashNow() {
  // The signal of an access violation, past any sanitizer's own handler.
  std::signal(SIGSEGV, SIG_DFL);
  std::raise(SIGSEGV);
  std::abort();
}

int RunProductWindow(const ProductFacts&, unsigned closeAfterSeconds) {
  std::this_thread::sleep_for(std::chrono::seconds(closeAfterSeconds));
  return 0;
}

}  // namespace demo
