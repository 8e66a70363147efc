#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>

#include "log/Log.h"

namespace fuzz {

void QuietLog() {
  // Also brings the log's own definitions into every target.
  if (!applog::CurrentLogFile().empty()) return;
  el::Loggers::reconfigureAllLoggers(el::ConfigurationType::Enabled, "false");
  el::Loggers::reconfigureAllLoggers(el::ConfigurationType::ToStandardOutput, "false");
  el::Loggers::reconfigureAllLoggers(el::ConfigurationType::ToFile, "false");
}

std::vector<std::pair<std::string, std::string>> SplitFiles(const std::string& input, const std::string& firstName) {
  static const std::string kMark = "\n#file ";
  std::vector<std::pair<std::string, std::string>> files;
  std::string name = firstName;
  size_t pos = 0;
  for (;;) {
    size_t next = input.find(kMark, pos);
    files.emplace_back(name, input.substr(pos, next == std::string::npos ? std::string::npos : next - pos));
    if (next == std::string::npos) break;
    size_t nameStart = next + kMark.size();
    size_t nameEnd = input.find('\n', nameStart);
    if (nameEnd == std::string::npos) nameEnd = input.size();
    name = input.substr(nameStart, nameEnd - nameStart);
    pos = nameEnd == input.size() ? nameEnd : nameEnd + 1;
  }
  return files;
}

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
  std::abort();
}

}  // namespace fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::QuietLog();
  return 0;
}
