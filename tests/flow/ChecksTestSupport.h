// Doubles for the pre-install checks, the program start and the signature
// check: an OS whose processes, disks, folders, registry, services, shell,
// trust answers and clock the test sets; a window host and an event sink that
// record; the log lines kept in memory.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "flow/IInstallHost.h"
#include "log/Events.h"
#include "platform/Platform.h"
#include "TestSupport.h"

namespace checkstest {

class ChecksOs : public platform::ForwardingOs {
 public:
  // Processes
  std::vector<platform::ProcessEntry> processes;
  std::vector<platform::ProcessEntry> ProcessSnapshot() override { return processes; }

  // Disks: free bytes per root ("C:\"); a root without an entry fails the query.
  std::wstring tempFolder = L"C:\\Users\\u\\AppData\\Local\\Temp";
  std::wstring windowsFolder = L"C:\\Windows";
  std::map<std::wstring, uint64_t> freeByRoot;
  std::vector<wchar_t> drives;
  std::vector<std::wstring> freeQueries;
  std::wstring SpecialFolderPath(platform::SpecialFolder f) override;
  bool DiskFreeForUser(const std::wstring& path, uint64_t& freeBytes) override;
  std::vector<wchar_t> LogicalDrives() override { return drives; }
  platform::DriveType DriveTypeOf(const std::wstring&) override { return platform::DriveType::Fixed; }
  int StorageBusType(wchar_t) override { return 0; }

  // Folders and files: what exists, and whether creation works.
  std::set<std::wstring> folders;
  std::set<std::wstring> files;
  bool creationFails = false;
  bool CreateDirectories(const std::wstring& path) override;
  bool IsDirectory(const std::wstring& path) override { return folders.count(path) != 0; }
  bool FileExists(const std::wstring& path) override { return files.count(path) || folders.count(path); }

  // The pending rename list; absent when pendingReadable is false.
  bool pendingReadable = true;
  std::vector<std::wstring> pending;
  bool RegReadMultiString(platform::RegRoot root, const std::wstring& subKey, const std::wstring& value,
                          std::vector<std::wstring>& out) override;

  // Services: each query takes the next state; the last one repeats.
  std::vector<platform::ServiceState> serviceStates;
  size_t serviceQueries = 0;
  bool stopAccepted = true;
  std::vector<std::wstring> stopped;
  platform::ServiceState QueryService(const std::wstring& name) override;
  bool StopService(const std::wstring& name) override;

  // A clock that moves only when the code pauses (plus queryCostMs per service query).
  uint64_t now = 5000;
  uint64_t queryCostMs = 0;
  std::vector<unsigned> sleeps;
  uint64_t TickCount() override { return now; }
  void SleepMs(unsigned ms) override;

  // Processes started: command line and working folder; failures scripted.
  struct Start {
    std::wstring commandLine, workDir;
  };
  std::vector<Start> starts;
  unsigned long startError = 0;  // not 0: every start fails with it
  size_t openProcesses = 0;
  platform::ProcessStart StartProcess(const std::wstring& application, const std::wstring& commandLine,
                                      const std::wstring& workDir) override;
  void CloseProcess(platform::ProcessHandle) override { --openProcesses; }

  // The shell: every call recorded, the answer scripted.
  std::vector<std::tuple<std::wstring, std::wstring, std::wstring>> shellCalls;
  platform::ShellResult shellAnswer{42, 0};
  platform::ShellResult ShellExec(const std::wstring& verb, const std::wstring& file,
                                  const std::wstring& parameters) override;

  // The trust provider's answer, and the file handle of each question.
  platform::TrustResult trust;
  std::vector<platform::FileHandle> trustCalls;
  platform::TrustResult VerifyFileTrust(platform::FileHandle file, const std::wstring& path) override;

  std::string WideToAnsi(const std::wstring& w) override;
};

// What the flow asks of the window, recorded; the flow tests share it.
class RecordingHost : public IInstallHost {
 public:
  std::wstring folderText;
  std::vector<std::wstring> folderWrites;
  std::map<std::wstring, std::wstring> controls;
  std::vector<int> boxes;
  int runningPages = 0;
  platform::WindowHandle window = 77;  // 0: the window is gone
  int releases = 0;
  std::vector<int> closes;

  std::wstring InstallFolderText() override { return folderText; }
  void SetInstallFolderText(const std::wstring& text) override;
  std::wstring ControlText(const std::wstring& name) override;
  platform::WindowHandle Window() override { return window; }
  void ReleaseSingleInstance() override { ++releases; }
  void CloseWindow(int result) override { closes.push_back(result); }
  void ShowMessageBox(EnumMsgType type) override { boxes.push_back(type); }
  void ShowRunningPage() override { ++runningPages; }
};

using RecordingEvents = testing_support::RecordingEvents;

// Little-endian fields of a byte image.
void Put16(std::string& b, size_t at, uint16_t v);
void Put32(std::string& b, size_t at, uint32_t v);
// A certificate table of `size` bytes (a multiple of 8, at least 16) as a
// signing tool writes it: one WIN_CERTIFICATE (revision 2.0, PKCS signed
// data) whose DER SEQUENCE is followed by 3 zero bytes.
std::string CertificateEntry(uint32_t size);
// A PE image with no sections (PE32+ when plus): DOS header, PE headers at
// 0x80, a body up to 512 bytes, then (when tableSize > 0) a certificate table
// of that size at 512 (CertificateEntry, or `table` when given), then
// `after`. The signature check accepts it when the trust answer is faked.
std::string MakePe(bool plus, uint32_t tableSize, const std::string& after = "", uint32_t directories = 16,
                   const std::string& table = "");
// The subject of the project's test publisher, as the platform reports it.
std::vector<platform::NameAttribute> TestPublisherSubject();

// The log messages written while the object lives.
class LogLines {
 public:
  LogLines();
  ~LogLines();
  std::vector<std::string> lines() const;
  // Some message contains the text.
  bool has(const std::string& text) const;
};

}  // namespace checkstest
