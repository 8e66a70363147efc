// Shared pieces of the configuration tests: an OS double (module folder with
// its options file, a 64-bit system, a clock that jumps), a recording event sink, a
// label source from a map, and the log captured into a file.
#pragma once
#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "CConfigure/CConfigure.h"
#include "TestSupport.h"
#include "log/Events.h"

namespace configtest {

class ConfigOs final : public testing_support::ModuleInDir {
 public:
  explicit ConfigOs(const std::wstring& dir) : ModuleInDir(dir), dir_(dir) {}
  bool Is64BitSystem() override { return system64; }
  // Each reading of the clock moves it on by tickStep milliseconds.
  uint64_t TickCount() override { return ticks += tickStep; }
  std::wstring UserRegionCode() override { return region; }
  // Writes the options file beside the pretended module.
  void options(const std::string& ini) const;

  std::atomic<bool> system64{false};  // Windows is 64-bit (the stub itself always is)
  std::atomic<uint64_t> ticks{1000000};
  uint64_t tickStep = 0;
  std::wstring region;

 private:
  std::wstring dir_;
};

using RecordingEvents = testing_support::RecordingEvents;

class MapLabels final : public ILabelSource {
 public:
  std::map<std::wstring, std::wstring> labels;
  bool LabelText(const std::wstring& name, std::wstring& text) const override;
};

// The product the tests ask about: language 1033, downloader 642, site 525.
void UseTestQuery(CConfigure& config);

// The log goes to a file of the folder while the object lives.
class LogCapture {
 public:
  explicit LogCapture(const testing_support::TempDir& dir);
  ~LogCapture();
  std::string text() const;
  // Some line of the log ends with this text (either line end).
  bool hasLineEnding(const std::string& tail) const;

 private:
  std::wstring file_, after_;
};

}  // namespace configtest
