#include "WorkerTestSupport.h"

#include <cstring>

#include "ChecksTestSupport.h"
#include "platform/Utf.h"

namespace flowtest {

namespace {

constexpr long kNoSignature = static_cast<long>(0x800B0100);  // TRUST_E_NOSIGNATURE
constexpr platform::ProcessHandle kFirstHandle = 500;

void PutU32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i) & 0xFF);
}

}  // namespace

WorkerOs::WorkerOs(const std::wstring& dir)
    : ModuleInDir(dir), temp(platform::JoinPath(dir, L"temp")), desktop(platform::JoinPath(dir, L"desktop")),
      dir_(dir) {
  platform::nativeOs().CreateDirectories(temp);
  platform::nativeOs().CreateDirectories(desktop);
}

std::wstring WorkerOs::SpecialFolderPath(platform::SpecialFolder f) {
  if (f == platform::SpecialFolder::Temp) return temp;
  if (f == platform::SpecialFolder::Desktop) return desktop;
  return in_.SpecialFolderPath(f);
}

bool WorkerOs::DiskFreeForUser(const std::wstring& path, uint64_t& freeBytes) {
  auto it = freeByRoot.find(path);
  freeBytes = it == freeByRoot.end() ? uint64_t{1} << 40 : it->second;
  return true;
}

std::vector<WorkerOs::Start> WorkerOs::starts() const {
  std::lock_guard<std::mutex> l(lock_);
  return starts_;
}

platform::ProcessStart WorkerOs::StartProcess(const std::wstring& application, const std::wstring& commandLine,
                                              const std::wstring&) {
  if (onStart) onStart(application);
  // Another writer at the moment of the start.
  const platform::FileHandle writer = in_.OpenFileForUpdate(application);
  if (writer) in_.CloseFile(writer);
  std::lock_guard<std::mutex> l(lock_);
  const std::string name = platform::Utf8FromWide(platform::FileNameOf(application));
  journal_.push_back("start " + name);
  if (!writer) journal_.push_back("write refused " + name);
  starts_.push_back({application, commandLine});
  auto it = installers.find(platform::FileNameOf(application));
  const Installer what = it == installers.end() ? Installer::ExitZero : it->second;
  platform::ProcessStart s;
  if (what == Installer::CannotStart) {
    s.error = 193;  // ERROR_BAD_EXE_FORMAT
    return s;
  }
  s.handle = kFirstHandle + starts_.size();
  s.pid = 4000 + static_cast<unsigned>(starts_.size());
  running_[s.handle] = what;
  ++openHandles;
  return s;
}

Installer WorkerOs::behaviour(platform::ProcessHandle h) const {
  auto it = running_.find(h);
  return it == running_.end() ? Installer::CannotStart : it->second;
}

platform::WaitResult WorkerOs::WaitProcess(platform::ProcessHandle h, unsigned) {
  std::lock_guard<std::mutex> l(lock_);
  ++waits;
  switch (behaviour(h)) {
    case Installer::NeverEnds: return platform::WaitResult::TimedOut;
    case Installer::CannotStart: return platform::WaitResult::Failed;
    default: return platform::WaitResult::Signalled;
  }
}

bool WorkerOs::ProcessExitCode(platform::ProcessHandle h, unsigned long& code) {
  std::lock_guard<std::mutex> l(lock_);
  const Installer what = behaviour(h);
  if (what == Installer::NeverEnds || what == Installer::CannotStart) return false;
  code = what == Installer::ExitCode3 ? 3 : 0;
  return true;
}

void WorkerOs::CloseProcess(platform::ProcessHandle h) {
  std::lock_guard<std::mutex> l(lock_);
  if (running_.erase(h)) --openHandles;
}

platform::TrustResult WorkerOs::VerifyFileTrust(platform::FileHandle file, const std::wstring& path) {
  const std::wstring name = platform::FileNameOf(path);
  std::lock_guard<std::mutex> l(lock_);
  auto it = held_.find(file);
  journal_.push_back("trust " + platform::Utf8FromWide(name) + (it != held_.end() && it->second == name ? "" : " unheld"));
  platform::TrustResult r;
  if (unsigned_.count(name)) {
    r.result = r.lastError = kNoSignature;
    return r;
  }
  r.signer = otherPublisher.count(name) ? std::vector<platform::NameAttribute>{{"2.5.4.3", L"Other Test Publisher"}}
                                        : checkstest::TestPublisherSubject();
  return r;
}

std::vector<std::string> WorkerOs::journal() const {
  std::lock_guard<std::mutex> l(lock_);
  return journal_;
}

platform::FileHandle WorkerOs::OpenFileForCheck(const std::wstring& path) {
  const platform::FileHandle h = in_.OpenFileForCheck(path);
  std::lock_guard<std::mutex> l(lock_);
  if (h) {
    held_[h] = platform::FileNameOf(path);
    journal_.push_back("hold " + platform::Utf8FromWide(held_[h]));
  }
  return h;
}

size_t WorkerOs::ReadFileAt(platform::FileHandle h, int64_t offset, void* out, size_t len) {
  {
    std::lock_guard<std::mutex> l(lock_);
    auto it = held_.find(h);
    if (it != held_.end() && read_.insert(h).second) journal_.push_back("read " + platform::Utf8FromWide(it->second));
  }
  return in_.ReadFileAt(h, offset, out, len);
}

void WorkerOs::CloseFile(platform::FileHandle h) {
  {
    std::lock_guard<std::mutex> l(lock_);
    auto it = held_.find(h);
    if (it != held_.end()) {
      journal_.push_back("let go " + platform::Utf8FromWide(it->second));
      held_.erase(it);
      read_.erase(h);
    }
  }
  in_.CloseFile(h);
}

platform::ShellResult WorkerOs::ShellExec(const std::wstring&, const std::wstring& file,
                                          const std::wstring& parameters) {
  shellOpens.emplace_back(file, parameters);
  return {42, 0};
}

void WorkerOs::SystemMessageBox(platform::WindowHandle, const std::wstring& text, const std::wstring& title) {
  boxes.emplace_back(text, title);
  if (onBox) onBox();
}

std::vector<std::wstring> WorkerOs::removed() const {
  std::lock_guard<std::mutex> l(lock_);
  return removed_;
}

bool WorkerOs::RemoveFile(const std::wstring& path) {
  {
    std::lock_guard<std::mutex> l(lock_);
    removed_.push_back(path);
  }
  return in_.RemoveFile(path);
}

bool WorkerOs::RegReadString(platform::RegRoot root, const std::wstring& subKey, const std::wstring& value,
                             std::wstring& out, platform::RegView view) {
  std::lock_guard<std::mutex> l(lock_);
  auto it = registry.find(platform::NativeKeyName(root, subKey, view) + L"|" + value);
  if (it == registry.end()) return false;
  out = it->second;
  return true;
}

bool WorkerOs::RegWriteString(platform::RegRoot root, const std::wstring& subKey, const std::wstring& value,
                              const std::wstring& data, platform::RegView view) {
  std::lock_guard<std::mutex> l(lock_);
  const std::wstring key = platform::NativeKeyName(root, subKey, view);
  keys.insert(key);
  registry[key + L"|" + value] = data;
  return true;
}

std::string WorkerOs::WideToAnsi(const std::wstring& w) { return platform::Utf8FromWide(w); }
std::wstring WorkerOs::AnsiToWide(const std::string& s) { return platform::WideFromUtf8(s); }

void WorkerOs::options(const std::string& ini) const {
  platform::nativeOs().WriteFile(platform::JoinPath(dir_, L"zq_downloader.cfg"), ini);
}

std::vector<std::string> RecordingObserver::reports() const {
  std::lock_guard<std::mutex> l(lock_);
  return reports_;
}

std::vector<int> RecordingObserver::progress() const {
  std::lock_guard<std::mutex> l(lock_);
  return progress_;
}

void RecordingObserver::OnDownloading(int percent) {
  std::lock_guard<std::mutex> l(lock_);
  progress_.push_back(percent);
}

void RecordingObserver::add(std::string report) {
  std::lock_guard<std::mutex> l(lock_);
  reports_.push_back(std::move(report));
}

std::string SignedLookingPackage(size_t size, uint32_t seed) {
  size = (size + 7) / 8 * 8;  // the table ends the file on its 8-byte grid
  std::string b(size, '\0');
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    b[i] = static_cast<char>(seed >> 16);
  }
  // DOS header, "PE", a PE32+ optional header of 240 bytes with 16
  // directories; the security directory names the last 64 bytes.
  b[0] = 'M', b[1] = 'Z';
  PutU32(b, 0x3C, 0x80);
  std::memcpy(&b[0x80], "PE\0\0", 4);
  const size_t coff = 0x84, optional = coff + 20;
  b[coff + 16] = static_cast<char>(240), b[coff + 17] = 0;
  b[optional] = 0x0B, b[optional + 1] = 0x02;
  PutU32(b, optional + 108, 16);
  PutU32(b, optional + 112 + 4 * 8, static_cast<uint32_t>(size - 64));
  PutU32(b, optional + 112 + 4 * 8 + 4, 64);
  b.replace(size - 64, 64, checkstest::CertificateEntry(64));
  return b;
}

}  // namespace flowtest
