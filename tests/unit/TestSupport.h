// Shared helpers of the unit tests: temporary folders, an OS whose module
// path the test chooses, small ZIP archives built in memory, and an event sink
// that records.
#pragma once
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "log/Events.h"
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

// Every kind of report, in order: "E category|action|label", "F
// function|step|action|kit" (type "CoreFuncEvent", category "Download",
// label "null" checked on the way in, else recorded whole), "X
// category|action|key|value".
class RecordingEvents final : public IEvents {
 public:
  RecordingEvents() { setEvents(this); }
  ~RecordingEvents() override { setEvents(nullptr); }
  void event(const std::string& c, const std::string& a, const std::string& l) override;
  void funnelEx(const std::string& c, const std::string& a, const std::string& k, const std::string& v) override;
  void funnel(const std::string& type, const std::string& function, int step, const std::string& c,
              const std::string& a, const std::string& l, bool kit) override;
  std::vector<std::string> all() const;
  size_t count(const std::string& record) const;
  // Labels of the events (category, action), in order.
  std::vector<std::string> labels(const std::string& category, const std::string& action) const;

 private:
  void add(std::string record);
  mutable std::mutex lock_;
  std::vector<std::string> records_;
};

}  // namespace testing_support
