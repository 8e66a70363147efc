#include "ChecksTestSupport.h"

#include <algorithm>

#include "log/Log.h"
#include "platform/Utf.h"

namespace checkstest {

std::wstring ChecksOs::SpecialFolderPath(platform::SpecialFolder f) {
  if (f == platform::SpecialFolder::Windows) return windowsFolder;
  return f == platform::SpecialFolder::Temp ? tempFolder : in_.SpecialFolderPath(f);
}

bool ChecksOs::DiskFreeForUser(const std::wstring& path, uint64_t& freeBytes) {
  freeQueries.push_back(path);
  auto it = freeByRoot.find(path);
  if (it == freeByRoot.end()) return false;
  freeBytes = it->second;
  return true;
}

bool ChecksOs::CreateDirectories(const std::wstring& path) {
  if (creationFails) return false;
  folders.insert(path);
  return true;
}

bool ChecksOs::RegReadMultiString(platform::RegRoot root, const std::wstring& subKey, const std::wstring& value,
                                  std::vector<std::wstring>& out) {
  if (!pendingReadable || root != platform::RegRoot::LocalMachine ||
      subKey != L"SYSTEM\\CurrentControlSet\\Control\\Session Manager" || value != L"PendingFileRenameOperations")
    return false;
  out = pending;
  return true;
}

platform::ServiceState ChecksOs::QueryService(const std::wstring&) {
  now += queryCostMs;
  size_t i = std::min(serviceQueries++, serviceStates.size() - 1);
  return serviceStates.at(i);
}

bool ChecksOs::StopService(const std::wstring& name) {
  stopped.push_back(name);
  return stopAccepted;
}

void ChecksOs::SleepMs(unsigned ms) {
  sleeps.push_back(ms);
  now += ms;
}

platform::ProcessStart ChecksOs::StartProcess(const std::wstring&, const std::wstring& commandLine,
                                              const std::wstring& workDir) {
  starts.push_back({commandLine, workDir});
  platform::ProcessStart s;
  if (startError != 0) {
    s.error = startError;
    return s;
  }
  ++openProcesses;
  s.handle = 100 + starts.size();
  s.pid = 4000 + static_cast<unsigned>(starts.size());
  return s;
}

platform::ShellResult ChecksOs::ShellExec(const std::wstring& verb, const std::wstring& file,
                                          const std::wstring& parameters) {
  shellCalls.emplace_back(verb, file, parameters);
  return shellAnswer;
}

platform::TrustResult ChecksOs::VerifyFileTrust(platform::FileHandle file, const std::wstring&) {
  trustCalls.push_back(file);
  return trust;
}

std::string ChecksOs::WideToAnsi(const std::wstring& w) { return platform::Utf8FromWide(w); }

void Put16(std::string& b, size_t at, uint16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string CertificateEntry(uint32_t size) {
  std::string entry(size, '\0');
  Put32(entry, 0, size);
  Put16(entry, 4, 0x0200);
  Put16(entry, 6, 0x0002);
  const uint32_t der = size - 8 - 3;
  entry[8] = 0x30;
  if (der - 2 < 0x80) {
    entry[9] = static_cast<char>(der - 2);
  } else {
    entry[9] = static_cast<char>(0x82);
    entry[10] = static_cast<char>((der - 4) >> 8);
    entry[11] = static_cast<char>((der - 4) & 0xFF);
  }
  for (uint32_t i = 8 + (der - 2 < 0x80 ? 2 : 4); i < 8 + der; ++i) entry[i] = static_cast<char>(0xA0 + i % 7);
  return entry;
}

std::vector<platform::NameAttribute> TestPublisherSubject() { return {{"2.5.4.3", L"Lumevia Test Publisher"}}; }

std::string MakePe(bool plus, uint32_t tableSize, const std::string& after, uint32_t directories,
                   const std::string& table) {
  const size_t pe = 0x80;
  const uint16_t optionalSize = plus ? 240 : 224;
  std::string b(512, '\0');
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 0x3C, pe);
  b.replace(pe, 4, std::string("PE\0\0", 4));
  Put16(b, pe + 4, plus ? 0x8664 : 0x14C);   // machine
  Put16(b, pe + 4 + 16, optionalSize);
  const size_t optional = pe + 24;
  Put16(b, optional, plus ? 0x20B : 0x10B);
  const size_t count = optional + (plus ? 108 : 92);
  Put32(b, count, directories);
  if (tableSize > 0) {
    Put32(b, count + 4 + 4 * 8, 512);
    Put32(b, count + 4 + 4 * 8 + 4, tableSize);
    b += table.empty() ? CertificateEntry(tableSize) : table;
  }
  return b + after;
}

void RecordingHost::SetInstallFolderText(const std::wstring& text) {
  folderText = text;
  folderWrites.push_back(text);
}

std::wstring RecordingHost::ControlText(const std::wstring& name) {
  auto it = controls.find(name);
  return it == controls.end() ? std::wstring() : it->second;
}

namespace {

std::mutex g_logLock;
std::vector<std::string> g_logLines;

class MemorySink : public el::LogDispatchCallback {
 protected:
  void handle(const el::LogDispatchData* data) override {
    std::lock_guard<std::mutex> g(g_logLock);
    g_logLines.push_back(data->logMessage()->message());
  }
};

const char kSinkId[] = "checks-test-lines";

}  // namespace

LogLines::LogLines() {
  {
    std::lock_guard<std::mutex> g(g_logLock);
    g_logLines.clear();
  }
  el::Helpers::installLogDispatchCallback<MemorySink>(kSinkId);
}

LogLines::~LogLines() { el::Helpers::uninstallLogDispatchCallback<MemorySink>(kSinkId); }

std::vector<std::string> LogLines::lines() const {
  std::lock_guard<std::mutex> g(g_logLock);
  return g_logLines;
}

bool LogLines::has(const std::string& text) const {
  for (const std::string& line : lines())
    if (line.find(text) != std::string::npos) return true;
  return false;
}

}  // namespace checkstest
