// Doubles for the install worker: an OS whose folders live in the test's
// folder and whose installer processes, trust answers, registry, disks,
// network and clock the test scripts; an observer that records the worker's
// reports to the window; an event sink that records every kind of telemetry.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "ChecksTestSupport.h"
#include "flow/IInstallObserver.h"
#include "log/Events.h"

namespace flowtest {

// What a started installer does.
enum class Installer { ExitZero, ExitCode3, NeverEnds, CannotStart };

class WorkerOs final : public testing_support::ModuleInDir {
 public:
  explicit WorkerOs(const std::wstring& dir);

  std::wstring temp, desktop;  // inside the test folder
  std::wstring SpecialFolderPath(platform::SpecialFolder f) override;

  std::atomic<bool> system64{false};  // Windows is 64-bit (the stub itself always is)
  std::atomic<bool> network{true};
  std::atomic<int> networkDownFor{0};  // this many queries answer "no network" first
  bool Is64BitSystem() override { return system64; }
  bool IsNetworkAlive() override { return networkDownFor-- > 0 ? false : network.load(); }

  // A clock that also moves by tickStep on every reading.
  std::atomic<uint64_t> ticks{1000000};
  std::atomic<uint64_t> tickStep{0};
  uint64_t TickCount() override { return ticks += tickStep; }

  // Free bytes by root ("/" holds the temporary folder); others are large.
  std::map<std::wstring, uint64_t> freeByRoot;
  bool DiskFreeForUser(const std::wstring& path, uint64_t& freeBytes) override;
  std::vector<wchar_t> LogicalDrives() override { return {L'D', L'E'}; }
  platform::DriveType DriveTypeOf(const std::wstring&) override { return platform::DriveType::Fixed; }
  int StorageBusType(wchar_t) override { return 0; }

  // Installers by program file name; ExitZero unless named.
  std::map<std::wstring, Installer> installers;
  struct Start {
    std::wstring program, commandLine;
  };
  std::vector<Start> starts() const;
  int waits = 0;       // WaitProcess calls
  int openHandles = 0;  // started and not yet closed
  platform::ProcessStart StartProcess(const std::wstring& application, const std::wstring& commandLine,
                                      const std::wstring& workDir) override;
  platform::WaitResult WaitProcess(platform::ProcessHandle h, unsigned timeoutMs) override;
  bool ProcessExitCode(platform::ProcessHandle h, unsigned long& code) override;
  void CloseProcess(platform::ProcessHandle h) override;

  std::vector<unsigned> sleeps;
  void SleepMs(unsigned ms) override { sleeps.push_back(ms); }

  // Files by name whose signature does not verify, or that another
  // publisher signed; every other file is the test publisher's.
  std::set<std::wstring> unsigned_, otherPublisher;
  platform::TrustResult VerifyFileTrust(platform::FileHandle file, const std::wstring& path) override;

  // What happened to the programs held for their checks, by file name:
  // "hold", "read" (the first read through the held handle), "trust",
  // "start", "write refused" (another writer tried while it started),
  // "let go".
  std::vector<std::string> journal() const;
  platform::FileHandle OpenFileForCheck(const std::wstring& path) override;
  size_t ReadFileAt(platform::FileHandle h, int64_t offset, void* out, size_t len) override;
  void CloseFile(platform::FileHandle h) override;

  std::vector<std::pair<std::wstring, std::wstring>> shellOpens;  // (file, parameters)
  platform::ShellResult ShellExec(const std::wstring& verb, const std::wstring& file,
                                  const std::wstring& parameters) override;
  // Run when a program starts (its path) and while a system box is up.
  std::function<void(const std::wstring&)> onStart;
  std::function<void()> onBox;
  std::vector<std::pair<std::wstring, std::wstring>> boxes;  // (text, title)
  void SystemMessageBox(platform::WindowHandle owner, const std::wstring& text, const std::wstring& title) override;

  // Every removal asked for, in order.
  std::vector<std::wstring> removed() const;
  bool RemoveFile(const std::wstring& path) override;

  // The registry of 64-bit Windows in memory, by native key names (the
  // 32-bit view's SOFTWARE\X is SOFTWARE\WOW6432Node\X): "key|value" -> data;
  // keys that exist.
  std::map<std::wstring, std::wstring> registry;
  std::set<std::wstring> keys;
  bool RegReadString(platform::RegRoot root, const std::wstring& subKey, const std::wstring& value,
                     std::wstring& out, platform::RegView view) override;
  bool RegWriteString(platform::RegRoot root, const std::wstring& subKey, const std::wstring& value,
                      const std::wstring& data, platform::RegView view) override;
  bool RegKeyExists(platform::RegRoot root, const std::wstring& subKey, platform::RegView view) override {
    return keys.count(platform::NativeKeyName(root, subKey, view)) != 0;
  }

  std::string WideToAnsi(const std::wstring& w) override;
  std::wstring AnsiToWide(const std::string& s) override;
  // Writes the run options file beside the pretended module.
  void options(const std::string& ini) const;

 private:
  Installer behaviour(platform::ProcessHandle h) const;

  std::wstring dir_;
  mutable std::mutex lock_;
  std::vector<Start> starts_;
  std::map<platform::FileHandle, std::wstring> held_;  // handle -> file name, until let go
  std::set<platform::FileHandle> read_;
  std::vector<std::string> journal_;
  std::vector<std::wstring> removed_;
  std::map<platform::ProcessHandle, Installer> running_;
};

using checkstest::RecordingHost;

// The worker's reports in order: "preparing", "prepared", "slides",
// "slides stop", "verifying", "installing", "downloaded", "installed",
// "start", "failed <result number>"; the percentages apart.
class RecordingObserver final : public IInstallObserver {
 public:
  std::vector<std::string> reports() const;
  std::vector<int> progress() const;
  static std::string Failed(InstallResult r) { return "failed " + std::to_string(static_cast<int>(r)); }

  void OnPreparing(bool asking) override { add(asking ? "preparing" : "prepared"); }
  void OnSlides(bool run) override { add(run ? "slides" : "slides stop"); }
  void OnDownloading(int percent) override;
  void OnVerifying() override { add("verifying"); }
  void OnInstalling() override { add("installing"); }
  void OnFinished(Finish kind) override { add(kind == Finish::Installed ? "installed" : "downloaded"); }
  void OnStartRequested() override { add("start"); }
  void OnFailed(InstallResult result) override { add(Failed(result)); }

 private:
  void add(std::string report);
  mutable std::mutex lock_;
  std::vector<std::string> reports_;
  std::vector<int> progress_;
};

using checkstest::RecordingEvents;

// A file the signature check reads as a PE image whose one signature ends
// it, of `size` bytes rounded up to 8 (at least 1 KiB), filled from seed.
std::string SignedLookingPackage(size_t size, uint32_t seed);

}  // namespace flowtest
