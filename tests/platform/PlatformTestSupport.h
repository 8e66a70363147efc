// Helpers of the platform tests: a fresh folder, files read back, the child
// probe built beside the test program.
#pragma once
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace platform_tests {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::wstring& path() const { return path_; }
  std::wstring file(const std::wstring& name) const { return platform::JoinPath(path_, name); }

 private:
  std::wstring path_;
};

std::wstring Quote(const std::wstring& s);
// The child probe, next to the running test program.
std::wstring ChildProbe();
// The lines of a text file (UTF-8); empty when it cannot be read.
std::vector<std::string> ReadLines(const std::wstring& path);
// Waits (at most seconds) until the file exists.
bool WaitForFile(const std::wstring& path, int seconds);

}  // namespace platform_tests
