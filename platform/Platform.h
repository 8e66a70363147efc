// The one narrow interface to the operating system. Everything above it is
// portable; win32/ calls the real APIs, posix/ is a faithful stand-in.
// Tests replace the current instance (ScopedOs) to inject faults.
#pragma once
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Opaque handles. 0 is "none".
using MutexHandle = std::uintptr_t;
using WindowHandle = std::uintptr_t;
using FileHandle = std::uintptr_t;   // an open file for positional writes
using EventHandle = std::uintptr_t;
using ProcessHandle = std::uintptr_t;  // a started child process

enum class RegRoot { LocalMachine, CurrentUser };

// The registry as a program of the given width sees it. On 64-bit Windows
// HKLM\SOFTWARE has a second tree for 32-bit programs (KEY_WOW64_32KEY),
// which 64-bit programs reach as SOFTWARE\WOW6432Node; other keys are shared.
enum class RegView { Native, View32 };

enum class SpecialFolder { ProgramFiles, Temp, Desktop, AppData, LocalAppData, Windows };

enum class DriveType { Unknown, NoRoot, Removable, Fixed, Remote, CdRom, RamDisk };

struct OsVersion {
  unsigned major = 0, minor = 0, build = 0;
  unsigned platformId = 2;      // 2 = NT, 1 = 9x
  bool workstation = true;
  bool x64Processor = true;
  bool serverR2 = false;
  bool ok = false;              // false when the version query failed
};

struct ProcessEntry {
  unsigned pid = 0;
  std::wstring exeName;         // file name only, as the snapshot reports it
};

struct MutexResult {
  MutexHandle handle = 0;
  bool alreadyExisted = false;  // the OS reported ERROR_ALREADY_EXISTS
};

// The current user's Internet proxy settings, as WinHTTP reads them.
struct IEProxyConfig {
  bool ok = false;              // the system call succeeded
  unsigned long lastError = 0;  // the thread's last error right after it
  bool autoDetect = false;      // discovery asked for (not acted on)
  std::wstring autoConfigUrl;   // the automatic configuration script; empty when none
  std::wstring proxy;           // the proxy server list; empty when none
  std::wstring proxyBypass;     // the bypass list; empty when none
};

// A process started by StartProcess.
struct ProcessStart {
  ProcessHandle handle = 0;     // 0 when it could not be started
  unsigned pid = 0;
  unsigned long error = 0;      // the system's error number when not started
};

enum class WaitResult { Signalled, TimedOut, Failed };

// The shell's answer to an "open": code > 32 is success (ShellExecute's rule).
struct ShellResult {
  intptr_t code = 0;
  unsigned long lastError = 0;  // the thread's last error right after the call
};

// One attribute of a certificate's subject name: its object identifier in
// dotted form ("2.5.4.3" is the common name) and its text.
struct NameAttribute {
  std::string oid;
  std::wstring value;
  bool operator==(const NameAttribute& o) const { return oid == o.oid && value == o.value; }
};

// A file's embedded signature as the system's trust provider judged it under
// the full Authenticode policy: the file's hash, a chain to a trusted root,
// the code-signing use, revocation where it can be learnt.
struct TrustResult {
  long result = 0;              // the provider's answer; 0 = trusted
  unsigned long lastError = 0;  // the thread's last error right after the check
  bool revocationUnknown = false;  // trusted, but the revocation state could not be learnt (offline)
  std::vector<NameAttribute> signer;  // the signing certificate's subject in order; empty when none was read
};

// One step of stopping a system service. step: 0 status read, 1 service
// manager not available, 2 service not present, 3 status not readable.
struct ServiceState {
  int step = 0;
  bool running = false;         // not stopped (running, starting, stopping, paused)
  unsigned waitHintMs = 0;      // the service's own estimate of its next step
};

// What an automatic configuration script names for one address.
struct ScriptProxy {
  bool ok = false;              // false: the script could not be fetched or run here
  std::wstring proxy;           // proxy list; empty means direct
  std::wstring proxyBypass;
};

class Os {
 public:
  virtual ~Os() = default;

  // Module and folders
  virtual std::wstring ModuleFileName() = 0;     // full path of the running executable
  virtual std::wstring SpecialFolderPath(SpecialFolder f) = 0;  // no trailing separator; empty on failure
  virtual bool CreateDirectories(const std::wstring& path) = 0;

  // Files
  virtual bool FileExists(const std::wstring& path) = 0;   // attributes readable (file or folder)
  virtual bool IsDirectory(const std::wstring& path) = 0;
  virtual int64_t FileSize(const std::wstring& path) = 0;  // -1 when it cannot be opened
  virtual bool ReadFile(const std::wstring& path, std::string& out) = 0;
  virtual bool WriteFile(const std::wstring& path, const std::string& data) = 0;
  virtual bool RemoveFile(const std::wstring& path) = 0;
  virtual std::vector<std::wstring> ListDirectory(const std::wstring& dir) = 0;  // names, no "." or ".."
  // Files written at 64-bit offsets by several threads at once (each write
  // carries its own position, so no shared file pointer is disturbed).
  virtual FileHandle OpenFileForUpdate(const std::wstring& path) = 0;  // existing kept, missing created; 0 on failure
  // Large files read in pieces (a package can be far bigger than memory wants).
  virtual FileHandle OpenFileForRead(const std::wstring& path) = 0;  // 0 when missing or unreadable
  // A program held from its checks until it has started: others may read it
  // but not write, rename or delete it. 0 when missing, unreadable or open
  // for writing elsewhere.
  virtual FileHandle OpenFileForCheck(const std::wstring& path) = 0;
  virtual int64_t FileSizeOf(FileHandle h) = 0;  // -1 when unknown
  virtual size_t ReadFileAt(FileHandle h, int64_t offset, void* out, size_t len) = 0;  // bytes read; short at the end
  virtual size_t WriteFileAt(FileHandle h, int64_t offset, const void* data, size_t len) = 0;  // bytes written
  virtual bool SetFileLength(FileHandle h, int64_t length) = 0;
  virtual void CloseFile(FileHandle h) = 0;
  virtual bool MoveFileReplace(const std::wstring& from, const std::wstring& to) = 0;  // replaces an existing target

  // Network state as the system sees it (SENSAPI on Windows)
  virtual bool IsNetworkAlive() = 0;

  // INI files (Windows profile semantics: integers parse their leading digits)
  virtual int ProfileInt(const std::wstring& file, const std::wstring& section,
                         const std::wstring& key, int def) = 0;
  virtual std::wstring ProfileString(const std::wstring& file, const std::wstring& section,
                                     const std::wstring& key, const std::wstring& def) = 0;

  // Resources of the running module: the bytes of resource (type, id); empty when absent
  virtual bool LoadModuleResource(const std::wstring& type, int id, std::string& out) = 0;

  // Named mutexes (cross-process)
  virtual MutexResult CreateNamedMutex(const std::wstring& name, bool initialOwner) = 0;
  virtual void ReleaseAndCloseMutex(MutexHandle h, bool release) = 0;

  // Named events: kernel events on Windows, an in-process table on POSIX.
  // A wait on an auto-reset event resets it in the same step.
  virtual EventHandle CreateNamedEvent(const std::wstring& name, bool manualReset, bool initialState) = 0;
  virtual bool WaitEvent(EventHandle h, unsigned timeoutMs) = 0;  // true when signalled in time
  virtual void SignalEvent(EventHandle h) = 0;
  virtual void CloseEvent(EventHandle h) = 0;

  // The user's interface language and country, "English_United States"
  virtual std::string UiLocaleText() = 0;

  // Top-level windows by class (any title), across processes
  virtual WindowHandle FindTopLevelWindow(const std::wstring& className) = 0;
  virtual void SwitchToWindow(WindowHandle w) = 0;
  // The headless toolkit announces its windows so that other processes find
  // them; real window systems need nothing (no-op there).
  virtual void AnnounceWindow(const std::wstring& className, bool present) = 0;

  // Registry string values, in the view the caller names
  virtual bool RegReadString(RegRoot root, const std::wstring& subKey, const std::wstring& value,
                             std::wstring& out, RegView view = RegView::Native) = 0;
  virtual bool RegWriteString(RegRoot root, const std::wstring& subKey, const std::wstring& value,
                              const std::wstring& data, RegView view = RegView::Native) = 0;
  // Whether the key can be opened for reading.
  virtual bool RegKeyExists(RegRoot root, const std::wstring& subKey, RegView view = RegView::Native) = 0;

  // The user's default user-interface language id (LANGID).
  virtual unsigned UserDefaultUILanguage() = 0;
  // The user's region as an ISO 3166 two-letter code ("AT"); empty when unknown.
  virtual std::wstring UserRegionCode() = 0;

  // Versions and architecture
  virtual OsVersion NtVersion() = 0;        // true version (ntdll), ok=false when unavailable
  virtual OsVersion LegacyVersion() = 0;    // GetVersionEx view
  // Windows itself is 64-bit, whatever this program's own width.
  virtual bool Is64BitSystem() = 0;
  virtual std::string FileVersionText(const std::wstring& path) = 0;  // "a.b.c.d" or empty

  // Disks
  virtual std::vector<wchar_t> LogicalDrives() = 0;     // drive letters in the system's order
  virtual DriveType DriveTypeOf(const std::wstring& root) = 0;
  virtual bool DiskFreeForUser(const std::wstring& path, uint64_t& freeBytes) = 0;
  virtual int StorageBusType(wchar_t letter) = 0;       // 0 when unknown

  // Display: physical and logical width, physical height of the main monitor
  virtual bool DisplayMetrics(int& physW, int& physH, int& logicalW) = 0;

  // Time
  virtual uint64_t TickCount() = 0;                      // ms since some fixed point
  virtual int64_t UnixTimeMs() = 0;                      // wall clock, UTC

  // Processes
  virtual std::vector<ProcessEntry> ProcessSnapshot() = 0;
  virtual unsigned CurrentProcessId() = 0;

  // Console and COM
  virtual void AttachDebugConsole() = 0;
  virtual bool ComInitialize() = 0;
  virtual void ComUninitialize() = 0;

  // Firewall: authorises the program in the Windows Firewall; 0 when done or
  // skipped, -1 when the firewall could not be reached.
  virtual int AuthorizeFirewallApp(const std::wstring& imagePath) = 0;

  // Text: the system's ANSI code page (UTF-8 on POSIX)
  virtual std::string WideToAnsi(const std::wstring& w) = 0;
  virtual std::wstring AnsiToWide(const std::string& s) = 0;

  // Internet proxy: the user's settings, and the answer of the automatic
  // configuration script at scriptUrl for url.
  virtual IEProxyConfig GetIEProxyConfig() = 0;
  virtual ScriptProxy ProxyForUrl(const std::wstring& url, const std::wstring& scriptUrl) = 0;

  // Child processes. application empty: the command line's first item names
  // the program. workDir empty: the caller's. Handles are inherited, the
  // child gets CREATE_DEFAULT_ERROR_MODE and is shown normally. On POSIX the
  // child gets the whole command line as its one argument (it parses it as
  // a Windows program reads its own).
  virtual ProcessStart StartProcess(const std::wstring& application, const std::wstring& commandLine,
                                    const std::wstring& workDir) = 0;
  // Waits at most timeoutMs (scaled by the test clock rate, see below).
  virtual WaitResult WaitProcess(ProcessHandle h, unsigned timeoutMs) = 0;
  // The exit code; false while the process runs or when it cannot be read.
  virtual bool ProcessExitCode(ProcessHandle h, unsigned long& code) = 0;
  virtual void CloseProcess(ProcessHandle h) = 0;
  // Pauses the calling thread (scaled like WaitProcess).
  virtual void SleepMs(unsigned ms) = 0;

  // The shell's verb on a file or program, shown normally.
  virtual ShellResult ShellExec(const std::wstring& verb, const std::wstring& file,
                                   const std::wstring& parameters) = 0;
  // A blocking system message box with an OK button (owner may be 0).
  virtual void SystemMessageBox(WindowHandle owner, const std::wstring& text, const std::wstring& title) = 0;

  // The embedded Authenticode signature of the file open as `file` (path
  // names it for the provider and the log).
  virtual TrustResult VerifyFileTrust(FileHandle file, const std::wstring& path) = 0;

  // System services by name: their state, and the stop control (false when
  // the service manager, the service or the control refused).
  virtual ServiceState QueryService(const std::wstring& name) = 0;
  virtual bool StopService(const std::wstring& name) = 0;

  // Registry multi-string values (REG_MULTI_SZ), each string in order.
  virtual bool RegReadMultiString(RegRoot root, const std::wstring& subKey, const std::wstring& value,
                                  std::vector<std::wstring>& out) = 0;
  virtual bool RegWriteMultiString(RegRoot root, const std::wstring& subKey, const std::wstring& value,
                                   const std::vector<std::wstring>& data) = 0;
};

// ms divided by the test clock rate (hooks::ClockRate, platform/TestHooks.h),
// so a test sees a four-minute time limit pass in seconds; at least 1 when
// ms > 0; the "forever" value 0xFFFFFFFF (INFINITE) stays as it is.
unsigned ScaleByTestClock(unsigned ms);

// The instance in force: the platform's own unless a test installed another.
Os& os();
// The platform's own instance, for test doubles to delegate to.
Os& nativeOs();

// Installs a replacement for the lifetime of the object (tests only).
class ScopedOs {
 public:
  explicit ScopedOs(Os& replacement);
  ~ScopedOs();
  ScopedOs(const ScopedOs&) = delete;
  ScopedOs& operator=(const ScopedOs&) = delete;

 private:
  Os* previous_;
};

// Forwards every call to another instance; override only what a test changes.
class ForwardingOs : public Os {
 public:
  explicit ForwardingOs(Os& inner = nativeOs()) : in_(inner) {}
  std::wstring ModuleFileName() override { return in_.ModuleFileName(); }
  std::wstring SpecialFolderPath(SpecialFolder f) override { return in_.SpecialFolderPath(f); }
  bool CreateDirectories(const std::wstring& p) override { return in_.CreateDirectories(p); }
  bool FileExists(const std::wstring& p) override { return in_.FileExists(p); }
  bool IsDirectory(const std::wstring& p) override { return in_.IsDirectory(p); }
  int64_t FileSize(const std::wstring& p) override { return in_.FileSize(p); }
  bool ReadFile(const std::wstring& p, std::string& o) override { return in_.ReadFile(p, o); }
  bool WriteFile(const std::wstring& p, const std::string& d) override { return in_.WriteFile(p, d); }
  bool RemoveFile(const std::wstring& p) override { return in_.RemoveFile(p); }
  std::vector<std::wstring> ListDirectory(const std::wstring& d) override { return in_.ListDirectory(d); }
  FileHandle OpenFileForUpdate(const std::wstring& p) override { return in_.OpenFileForUpdate(p); }
  FileHandle OpenFileForRead(const std::wstring& p) override { return in_.OpenFileForRead(p); }
  FileHandle OpenFileForCheck(const std::wstring& p) override { return in_.OpenFileForCheck(p); }
  int64_t FileSizeOf(FileHandle h) override { return in_.FileSizeOf(h); }
  size_t ReadFileAt(FileHandle h, int64_t o, void* d, size_t n) override { return in_.ReadFileAt(h, o, d, n); }
  size_t WriteFileAt(FileHandle h, int64_t o, const void* d, size_t n) override { return in_.WriteFileAt(h, o, d, n); }
  bool SetFileLength(FileHandle h, int64_t n) override { return in_.SetFileLength(h, n); }
  void CloseFile(FileHandle h) override { in_.CloseFile(h); }
  bool MoveFileReplace(const std::wstring& f, const std::wstring& t) override { return in_.MoveFileReplace(f, t); }
  bool IsNetworkAlive() override { return in_.IsNetworkAlive(); }
  int ProfileInt(const std::wstring& f, const std::wstring& s, const std::wstring& k, int d) override {
    return in_.ProfileInt(f, s, k, d);
  }
  std::wstring ProfileString(const std::wstring& f, const std::wstring& s, const std::wstring& k,
                             const std::wstring& d) override {
    return in_.ProfileString(f, s, k, d);
  }
  bool LoadModuleResource(const std::wstring& t, int id, std::string& o) override {
    return in_.LoadModuleResource(t, id, o);
  }
  MutexResult CreateNamedMutex(const std::wstring& n, bool o) override { return in_.CreateNamedMutex(n, o); }
  void ReleaseAndCloseMutex(MutexHandle h, bool r) override { in_.ReleaseAndCloseMutex(h, r); }
  EventHandle CreateNamedEvent(const std::wstring& n, bool m, bool i) override {
    return in_.CreateNamedEvent(n, m, i);
  }
  bool WaitEvent(EventHandle h, unsigned ms) override { return in_.WaitEvent(h, ms); }
  void SignalEvent(EventHandle h) override { in_.SignalEvent(h); }
  void CloseEvent(EventHandle h) override { in_.CloseEvent(h); }
  std::string UiLocaleText() override { return in_.UiLocaleText(); }
  WindowHandle FindTopLevelWindow(const std::wstring& c) override { return in_.FindTopLevelWindow(c); }
  void SwitchToWindow(WindowHandle w) override { in_.SwitchToWindow(w); }
  void AnnounceWindow(const std::wstring& c, bool p) override { in_.AnnounceWindow(c, p); }
  bool RegReadString(RegRoot r, const std::wstring& k, const std::wstring& v, std::wstring& o,
                     RegView w) override {
    return in_.RegReadString(r, k, v, o, w);
  }
  bool RegWriteString(RegRoot r, const std::wstring& k, const std::wstring& v, const std::wstring& d,
                      RegView w) override {
    return in_.RegWriteString(r, k, v, d, w);
  }
  bool RegKeyExists(RegRoot r, const std::wstring& k, RegView w) override { return in_.RegKeyExists(r, k, w); }
  unsigned UserDefaultUILanguage() override { return in_.UserDefaultUILanguage(); }
  std::wstring UserRegionCode() override { return in_.UserRegionCode(); }
  OsVersion NtVersion() override { return in_.NtVersion(); }
  OsVersion LegacyVersion() override { return in_.LegacyVersion(); }
  bool Is64BitSystem() override { return in_.Is64BitSystem(); }
  std::string FileVersionText(const std::wstring& p) override { return in_.FileVersionText(p); }
  std::vector<wchar_t> LogicalDrives() override { return in_.LogicalDrives(); }
  DriveType DriveTypeOf(const std::wstring& r) override { return in_.DriveTypeOf(r); }
  bool DiskFreeForUser(const std::wstring& p, uint64_t& f) override { return in_.DiskFreeForUser(p, f); }
  int StorageBusType(wchar_t l) override { return in_.StorageBusType(l); }
  bool DisplayMetrics(int& w, int& h, int& lw) override { return in_.DisplayMetrics(w, h, lw); }
  uint64_t TickCount() override { return in_.TickCount(); }
  int64_t UnixTimeMs() override { return in_.UnixTimeMs(); }
  std::vector<ProcessEntry> ProcessSnapshot() override { return in_.ProcessSnapshot(); }
  unsigned CurrentProcessId() override { return in_.CurrentProcessId(); }
  void AttachDebugConsole() override { in_.AttachDebugConsole(); }
  bool ComInitialize() override { return in_.ComInitialize(); }
  void ComUninitialize() override { in_.ComUninitialize(); }
  int AuthorizeFirewallApp(const std::wstring& p) override { return in_.AuthorizeFirewallApp(p); }
  std::string WideToAnsi(const std::wstring& w) override { return in_.WideToAnsi(w); }
  std::wstring AnsiToWide(const std::string& s) override { return in_.AnsiToWide(s); }
  IEProxyConfig GetIEProxyConfig() override { return in_.GetIEProxyConfig(); }
  ScriptProxy ProxyForUrl(const std::wstring& u, const std::wstring& s) override { return in_.ProxyForUrl(u, s); }
  ProcessStart StartProcess(const std::wstring& a, const std::wstring& c, const std::wstring& d) override {
    return in_.StartProcess(a, c, d);
  }
  WaitResult WaitProcess(ProcessHandle h, unsigned ms) override { return in_.WaitProcess(h, ms); }
  bool ProcessExitCode(ProcessHandle h, unsigned long& c) override { return in_.ProcessExitCode(h, c); }
  void CloseProcess(ProcessHandle h) override { in_.CloseProcess(h); }
  void SleepMs(unsigned ms) override { in_.SleepMs(ms); }
  ShellResult ShellExec(const std::wstring& v, const std::wstring& f, const std::wstring& p) override {
    return in_.ShellExec(v, f, p);
  }
  void SystemMessageBox(WindowHandle o, const std::wstring& t, const std::wstring& c) override {
    in_.SystemMessageBox(o, t, c);
  }
  TrustResult VerifyFileTrust(FileHandle h, const std::wstring& p) override { return in_.VerifyFileTrust(h, p); }
  ServiceState QueryService(const std::wstring& n) override { return in_.QueryService(n); }
  bool StopService(const std::wstring& n) override { return in_.StopService(n); }
  bool RegReadMultiString(RegRoot r, const std::wstring& k, const std::wstring& v,
                          std::vector<std::wstring>& o) override {
    return in_.RegReadMultiString(r, k, v, o);
  }
  bool RegWriteMultiString(RegRoot r, const std::wstring& k, const std::wstring& v,
                           const std::vector<std::wstring>& d) override {
    return in_.RegWriteMultiString(r, k, v, d);
  }

 protected:
  Os& in_;
};

// The program's command-line arguments, the program itself first, in full:
// on Windows from the wide command line, not from argv, whose text went
// through the code page and lost what it cannot spell.
std::vector<std::wstring> CommandLineArguments(int argc, char** argv);

// Path helpers shared by both platforms ("\" and "/" both separate).
std::wstring DirectoryOf(const std::wstring& path);   // with trailing separator
// The local calendar time of a time in seconds since 1970 (thread-safe).
std::tm LocalTime(std::time_t t);
std::wstring FileNameOf(const std::wstring& path);
wchar_t PathSeparator();
// A key's name in the native view: in the 32-bit view HKLM's SOFTWARE\X is
// SOFTWARE\WOW6432Node\X; every other key keeps its name.
std::wstring NativeKeyName(RegRoot root, const std::wstring& subKey, RegView view);
std::wstring CurrentDirectory();  // empty when it cannot be read
std::wstring JoinPath(const std::wstring& dir, const std::wstring& name);
// Called first thing in the process, before anything loads a DLL by name:
// from then on DLLs loaded at run time (the delay-loaded ones too) come from
// System32 only, never from the program's folder. Nothing natively.
void RestrictDllSearch();
// Explorer by its full path in the Windows folder (never by its bare name,
// which is looked up beside the stub first); empty when that folder is unknown.
std::wstring ExplorerPath();

}  // namespace platform
