// Shared helpers of the unit tests: temporary folders, an OS whose module
// path the test chooses, and small ZIP archives built in memory.
#pragma once
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace testing_support {

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::wstring& path() const { return path_; }
  std::wstring file(const std::wstring& name) const { return platform::JoinPath(path_, name); }
  void write(const std::wstring& name, const std::string& bytes) const;

 private:
  std::wstring path_;
};

// The OS in force, except that the running module seems to live in a folder
// of the test's choosing.
class ModuleInDir : public platform::ForwardingOs {
 public:
  explicit ModuleInDir(const std::wstring& dir) : exe_(platform::JoinPath(dir, L"LumeviaSetup.exe")) {}
  std::wstring ModuleFileName() override { return exe_; }

 private:
  std::wstring exe_;
};

// A ZIP archive of the given entries (name, bytes); deflated when asked.
std::string MakeZip(const std::vector<std::pair<std::string, std::string>>& entries, bool deflate = true);

// The skin package produced by the build.
std::string BuiltSkinZip();

}  // namespace testing_support
