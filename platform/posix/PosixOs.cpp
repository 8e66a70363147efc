// POSIX stand-ins for the Windows services. Where Windows state lives in the
// system (registry, window list, module resources) it lives here in files
// under a root folder that tests choose (LUMEVIA_POSIX_ROOT).
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>

#include "platform/IniText.h"
#include "platform/MultiString.h"
#include "platform/Platform.h"
#include "platform/SystemOps.h"
#include "platform/UniqueHandle.h"
#include "platform/Utf.h"
#include "platform/posix/PosixSupport.h"

namespace platform {

wchar_t PathSeparator() { return L'/'; }

std::wstring CurrentDirectory() {
  char buf[PATH_MAX];
  return getcwd(buf, sizeof buf) ? WideFromUtf8(buf) : std::wstring();
}

namespace posix {

// Windows paths may reach us with "\" separators; both separate here too.
std::string PosixPath(const std::wstring& w) {
  std::string s = Utf8FromWide(w);
  std::replace(s.begin(), s.end(), '\\', '/');
  return s;
}

std::string Root() {
  const char* r = std::getenv("LUMEVIA_POSIX_ROOT");
  if (r && *r) return r;
  const char* h = std::getenv("HOME");
  return std::string(h && *h ? h : "/tmp") + "/.lumevia-posix";
}

bool MakeDirs(const std::string& path) {
  if (path.empty()) return false;
  std::string cur;
  size_t i = 0;
  if (path[0] == '/') { cur = "/"; i = 1; }
  while (i <= path.size()) {
    size_t j = path.find('/', i);
    if (j == std::string::npos) j = path.size();
    if (j > i) {
      cur += path.substr(i, j - i);
      if (mkdir(cur.c_str(), 0755) != 0 && errno != EEXIST) return false;
      cur += '/';
    }
    i = j + 1;
  }
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ReplaceFile(const std::string& path, const std::string& data) {
  // A reader never sees half a file.
  std::string tmp = path + ".tmp" + std::to_string(getpid());
  {
    std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
    if (!f) return false;
    f.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!f.flush()) return false;
  }
  if (rename(tmp.c_str(), path.c_str()) == 0) return true;
  unlink(tmp.c_str());
  return false;
}

}  // namespace posix

namespace {

using posix::MakeDirs;
using posix::PosixPath;
using posix::Root;

std::string N(const std::wstring& w) { return Utf8FromWide(w); }
std::wstring W(const std::string& s) { return WideFromUtf8(s); }

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Key names are case-insensitive on Windows: store them lower-cased.
std::string RegistryPath(RegRoot root, const std::wstring& subKey) {
  std::string key = Lower(PosixPath(subKey));
  return Root() + "/registry/" + (root == RegRoot::LocalMachine ? "HKLM" : "HKCU") + "/" + key;
}

// Named events live in one in-process table; a handle owns one reference.
struct PosixEvent {
  std::mutex m;
  std::condition_variable cv;
  bool manual = false;
  bool signalled = false;
};
struct EventRef {
  std::string name;
  std::shared_ptr<PosixEvent> ev;
};
std::mutex g_eventsLock;
std::map<std::string, std::weak_ptr<PosixEvent>> g_events;

struct FdTraits {
  using Type = int;
  static Type Invalid() { return -1; }
  static void Close(Type fd) { close(fd); }
};
struct DirTraits {
  using Type = DIR*;
  static Type Invalid() { return nullptr; }
  static void Close(Type d) { closedir(d); }
};
using UniqueFd = UniqueHandle<FdTraits>;
using UniqueDir = UniqueHandle<DirTraits>;

// Files and mutexes travel through Os as their descriptor + 1 (0 is none).
UniqueFd AdoptOsHandle(std::uintptr_t h) { return UniqueFd(h == 0 ? -1 : static_cast<int>(h - 1)); }
std::uintptr_t ToOsHandle(UniqueFd fd) { return fd ? static_cast<std::uintptr_t>(fd.release()) + 1 : 0; }

bool ProcessAlive(long pid) { return pid > 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM); }

// Moves len bytes at an offset with pread/pwrite: each call carries its
// position, so threads share a descriptor safely.
template <typename Op>
size_t TransferAt(FileHandle h, int64_t offset, size_t len, Op op) {
  if (h == 0 || offset < 0) return 0;
  int fd = static_cast<int>(h - 1);
  size_t done = 0;
  while (done < len) {
    ssize_t n = op(fd, done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

// A file held for a check carries a shared flock; a write, rename or removal
// through this stand-in first tries an exclusive one and is refused as
// Windows refuses it when the share mode denies it. Advisory only: other
// programs are not stopped.
bool HeldForCheck(const std::string& path) {
  UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) return false;
  if (flock(fd.get(), LOCK_EX | LOCK_NB) == 0) return false;
  return errno == EWOULDBLOCK;
}

class PosixOs final : public SystemOpsOs {
 public:
  std::wstring ModuleFileName() override {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return W(std::string(buf, static_cast<size_t>(n)));
  }

  std::wstring SpecialFolderPath(SpecialFolder f) override {
    const char* home = std::getenv("HOME");
    std::string h = home && *home ? home : "/tmp";
    switch (f) {
      case SpecialFolder::ProgramFiles: return W(Root() + "/Program Files");
      case SpecialFolder::Temp: {
        const char* t = std::getenv("TMPDIR");
        return W(t && *t ? t : "/tmp");
      }
      case SpecialFolder::Desktop: return W(h + "/Desktop");
      case SpecialFolder::AppData: return W(Root() + "/AppData/Roaming");
      case SpecialFolder::LocalAppData: return W(Root() + "/AppData/Local");
      case SpecialFolder::Windows: return W(Root() + "/Windows");
    }
    return {};
  }

  bool CreateDirectories(const std::wstring& p) override { return MakeDirs(PosixPath(p)); }

  bool FileExists(const std::wstring& p) override {
    struct stat st;
    return stat(PosixPath(p).c_str(), &st) == 0;
  }
  bool IsDirectory(const std::wstring& p) override {
    struct stat st;
    return stat(PosixPath(p).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }
  int64_t FileSize(const std::wstring& p) override {
    struct stat st;
    if (stat(PosixPath(p).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<int64_t>(st.st_size);
  }
  bool ReadFile(const std::wstring& p, std::string& out) override {
    std::ifstream f(PosixPath(p), std::ios::binary);
    if (!f) return false;
    std::ostringstream ss;
    ss << f.rdbuf();
    out = ss.str();
    return true;
  }
  bool WriteFile(const std::wstring& p, const std::string& data) override {
    if (HeldForCheck(PosixPath(p))) return false;
    std::ofstream f(PosixPath(p), std::ios::binary | std::ios::trunc);
    if (!f) return false;
    f.write(data.data(), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(f);
  }
  bool RemoveFile(const std::wstring& p) override {
    return !HeldForCheck(PosixPath(p)) && unlink(PosixPath(p).c_str()) == 0;
  }
  std::vector<std::wstring> ListDirectory(const std::wstring& d) override {
    std::vector<std::wstring> names;
    UniqueDir dir(opendir(PosixPath(d).c_str()));
    if (!dir) return names;
    while (dirent* e = readdir(dir.get())) {
      if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
      names.push_back(W(e->d_name));
    }
    return names;
  }

  FileHandle OpenFileForUpdate(const std::wstring& p) override {
    if (HeldForCheck(PosixPath(p))) return 0;
    return ToOsHandle(UniqueFd(open(PosixPath(p).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)));
  }
  FileHandle OpenFileForRead(const std::wstring& p) override {
    return ToOsHandle(UniqueFd(open(PosixPath(p).c_str(), O_RDONLY | O_CLOEXEC)));
  }
  FileHandle OpenFileForCheck(const std::wstring& p) override {
    UniqueFd fd(open(PosixPath(p).c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd || flock(fd.get(), LOCK_SH | LOCK_NB) != 0) return 0;
    return ToOsHandle(std::move(fd));
  }
  int64_t FileSizeOf(FileHandle h) override {
    struct stat st;
    if (h == 0 || fstat(static_cast<int>(h - 1), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<int64_t>(st.st_size);
  }
  size_t ReadFileAt(FileHandle h, int64_t offset, void* out, size_t len) override {
    return TransferAt(h, offset, len, [&](int fd, size_t done, off_t at) {
      return pread(fd, static_cast<char*>(out) + done, len - done, at);
    });
  }
  size_t WriteFileAt(FileHandle h, int64_t offset, const void* data, size_t len) override {
    return TransferAt(h, offset, len, [&](int fd, size_t done, off_t at) {
      return pwrite(fd, static_cast<const char*>(data) + done, len - done, at);
    });
  }
  bool SetFileLength(FileHandle h, int64_t length) override {
    return h != 0 && length >= 0 && ftruncate(static_cast<int>(h - 1), static_cast<off_t>(length)) == 0;
  }
  void CloseFile(FileHandle h) override { AdoptOsHandle(h).reset(); }
  bool MoveFileReplace(const std::wstring& from, const std::wstring& to) override {
    if (HeldForCheck(PosixPath(from)) || HeldForCheck(PosixPath(to))) return false;
    return rename(PosixPath(from).c_str(), PosixPath(to).c_str()) == 0;
  }

  // No system-wide "connected" flag here; tests inject loss through ScopedOs.
  bool IsNetworkAlive() override { return true; }

  int ProfileInt(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                 int def) override {
    std::string text;
    if (!ReadFile(file, text)) return def;
    std::string value;
    if (!IniLookup(text, N(section), N(key), value)) return def;
    return IniParseInt(value);
  }
  std::wstring ProfileString(const std::wstring& file, const std::wstring& section,
                             const std::wstring& key, const std::wstring& def) override {
    std::string text;
    if (!ReadFile(file, text)) return def;
    std::string value;
    if (!IniLookup(text, N(section), N(key), value)) return def;
    return W(value);
  }

  // Resources are files beside the executable: resources/<TYPE>_<id>.
  bool LoadModuleResource(const std::wstring& type, int id, std::string& out) override {
    out.clear();
    const char* dir = std::getenv("LUMEVIA_RESOURCE_DIR");
    std::string base = dir && *dir ? std::string(dir) : PosixPath(DirectoryOf(ModuleFileName())) + "resources";
    return ReadFile(W(base + "/" + N(type) + "_" + std::to_string(id)), out);
  }

  // A named mutex is an flock'ed file: held while its owner lives.
  MutexResult CreateNamedMutex(const std::wstring& name, bool) override {
    MutexResult r;
    std::string dir = Root() + "/mutex";
    MakeDirs(dir);
    UniqueFd fd(open((dir + "/" + N(name)).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (fd && flock(fd.get(), LOCK_EX | LOCK_NB) != 0) r.alreadyExisted = true;
    r.handle = ToOsHandle(std::move(fd));
    return r;
  }
  void ReleaseAndCloseMutex(MutexHandle h, bool) override {
    UniqueFd fd = AdoptOsHandle(h);
    if (fd) flock(fd.get(), LOCK_UN);
  }

  EventHandle CreateNamedEvent(const std::wstring& name, bool manualReset, bool initialState) override {
    std::lock_guard<std::mutex> g(g_eventsLock);
    std::shared_ptr<PosixEvent> ev = name.empty() ? nullptr : g_events[N(name)].lock();
    if (!ev) {
      ev = std::make_shared<PosixEvent>();
      ev->manual = manualReset;
      ev->signalled = initialState;
      if (!name.empty()) g_events[N(name)] = ev;
    }
    return reinterpret_cast<EventHandle>(new EventRef{N(name), ev});
  }
  bool WaitEvent(EventHandle h, unsigned timeoutMs) override {
    if (!h) return false;
    PosixEvent& e = *reinterpret_cast<EventRef*>(h)->ev;
    std::unique_lock<std::mutex> lk(e.m);
    if (!e.cv.wait_for(lk, std::chrono::milliseconds(timeoutMs), [&] { return e.signalled; })) return false;
    if (!e.manual) e.signalled = false;
    return true;
  }
  void SignalEvent(EventHandle h) override {
    if (!h) return;
    PosixEvent& e = *reinterpret_cast<EventRef*>(h)->ev;
    {
      std::lock_guard<std::mutex> lk(e.m);
      e.signalled = true;
    }
    if (e.manual) e.cv.notify_all(); else e.cv.notify_one();
  }
  void CloseEvent(EventHandle h) override {
    if (!h) return;
    std::unique_ptr<EventRef> ref(reinterpret_cast<EventRef*>(h));
    std::lock_guard<std::mutex> g(g_eventsLock);
    std::string name = ref->name;
    ref.reset();
    auto it = g_events.find(name);
    if (it != g_events.end() && it->second.expired()) g_events.erase(it);
  }

  // "ll_CC.codeset" from the environment, as Windows would name it; the
  // names are codes here ("en_US").
  std::string UiLocaleText() override {
    const char* vars[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    for (const char* v : vars) {
      const char* val = std::getenv(v);
      if (!val || !*val) continue;
      std::string s = val;
      size_t cut = s.find_first_of(".@");
      if (cut != std::string::npos) s.resize(cut);
      return s == "C" || s == "POSIX" ? "" : s;
    }
    return {};
  }

  // Windows of the headless toolkit: one file per owning process.
  WindowHandle FindTopLevelWindow(const std::wstring& className) override {
    std::string dir = Root() + "/windows/" + N(className);
    for (const std::wstring& entry : ListDirectory(W(dir))) {
      long pid = std::strtol(N(entry).c_str(), nullptr, 10);
      if (ProcessAlive(pid)) return static_cast<WindowHandle>(pid);
      unlink((dir + "/" + N(entry)).c_str());  // left behind by a dead process
    }
    return 0;
  }
  void SwitchToWindow(WindowHandle) override {}
  void AnnounceWindow(const std::wstring& className, bool present) override {
    std::string dir = Root() + "/windows/" + N(className);
    std::string file = dir + "/" + std::to_string(getpid());
    if (present) {
      MakeDirs(dir);
      std::ofstream(file) << getpid();
    } else {
      unlink(file.c_str());
    }
  }

  // The 32-bit view's HKLM\SOFTWARE is kept where 64-bit Windows shows it,
  // in the folder software/wow6432node.
  bool RegReadString(RegRoot root, const std::wstring& subKey, const std::wstring& value, std::wstring& out,
                     RegView view) override {
    std::string data;
    if (!ReadFile(W(RegValuePath(root, NativeKeyName(root, subKey, view), value, ".sz")), data)) return false;
    out = W(data);
    return true;
  }
  bool RegWriteString(RegRoot root, const std::wstring& subKey, const std::wstring& value, const std::wstring& data,
                      RegView view) override {
    return WriteRegValue(root, NativeKeyName(root, subKey, view), value, ".sz", N(data));
  }
  bool RegKeyExists(RegRoot root, const std::wstring& subKey, RegView view) override {
    struct stat st;
    return stat(RegistryPath(root, NativeKeyName(root, subKey, view)).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }
  // LUMEVIA_UI_LANGID (decimal) stands in for the user's setting; US English otherwise.
  unsigned UserDefaultUILanguage() override {
    const char* v = getenv("LUMEVIA_UI_LANGID");
    if (v && *v) {
      char* end = nullptr;
      unsigned long id = strtoul(v, &end, 10);
      if (end && *end == '\0' && id <= 0xFFFF) return static_cast<unsigned>(id);
    }
    return 1033;
  }
  // The territory of the locale in force: LC_ALL, LC_MESSAGES, then LANG
  // ("de_AT.UTF-8" gives "AT"); empty for "C", "POSIX" or no territory.
  std::wstring UserRegionCode() override {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* val = getenv(var);
      if (!val || !*val) continue;
      std::string s = val;
      s.resize(std::min(s.find_first_of(".@"), s.size()));
      size_t sep = s.find('_');
      std::string region = sep == std::string::npos ? std::string() : s.substr(sep + 1);
      bool letters = region.size() == 2 && std::all_of(region.begin(), region.end(), [](char c) {
                       return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
                     });
      if (!letters) return {};
      for (char& c : region) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      return std::wstring(region.begin(), region.end());
    }
    return {};
  }

  OsVersion NtVersion() override { return {}; }
  OsVersion LegacyVersion() override { return {}; }
  bool Is64BitSystem() override {
    struct utsname u;
    if (uname(&u) != 0) return sizeof(void*) == 8;
    std::string m = u.machine;
    return m == "x86_64" || m == "aarch64" || m == "ppc64le" || m == "s390x" || m == "riscv64";
  }
  std::string FileVersionText(const std::wstring&) override { return {}; }

  std::vector<wchar_t> LogicalDrives() override { return {}; }
  DriveType DriveTypeOf(const std::wstring& root) override {
    return IsDirectory(root) ? DriveType::Fixed : DriveType::NoRoot;
  }
  bool DiskFreeForUser(const std::wstring& p, uint64_t& freeBytes) override {
    struct statvfs s;
    if (statvfs(PosixPath(p).c_str(), &s) != 0) return false;
    freeBytes = static_cast<uint64_t>(s.f_bavail) * s.f_frsize;
    return true;
  }
  int StorageBusType(wchar_t) override { return 0; }
  bool DisplayMetrics(int&, int&, int&) override { return false; }

  uint64_t TickCount() override {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  int64_t UnixTimeMs() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  }

  std::vector<ProcessEntry> ProcessSnapshot() override {
    std::vector<ProcessEntry> list;
    for (const std::wstring& e : ListDirectory(L"/proc")) {
      std::string name = N(e);
      if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
      ProcessEntry pe;
      pe.pid = static_cast<unsigned>(std::strtoul(name.c_str(), nullptr, 10));
      char buf[PATH_MAX];
      ssize_t n = readlink(("/proc/" + name + "/exe").c_str(), buf, sizeof buf - 1);
      if (n > 0) {
        pe.exeName = FileNameOf(W(std::string(buf, static_cast<size_t>(n))));
      } else {
        std::string comm;
        if (ReadFile(W("/proc/" + name + "/comm"), comm)) {
          while (!comm.empty() && (comm.back() == '\n')) comm.pop_back();
          pe.exeName = W(comm);
        }
      }
      list.push_back(pe);
    }
    return list;
  }
  unsigned CurrentProcessId() override { return static_cast<unsigned>(getpid()); }

  void AttachDebugConsole() override {}  // standard output already is the terminal
  bool ComInitialize() override { return true; }
  void ComUninitialize() override {}

  int AuthorizeFirewallApp(const std::wstring&) override { return 0; }  // no such firewall here

  std::string WideToAnsi(const std::wstring& w) override { return N(w); }
  std::wstring AnsiToWide(const std::string& s) override { return W(s); }

  // The user's proxy settings: proxy/ie.ini, section [Proxy], keys
  // AutoConfigUrl, Proxy and ProxyBypass. No file means none set.
  IEProxyConfig GetIEProxyConfig() override {
    IEProxyConfig c;
    c.ok = true;
    std::wstring file = W(Root() + "/proxy/ie.ini");
    c.autoConfigUrl = ProfileString(file, L"Proxy", L"AutoConfigUrl", L"");
    c.proxy = ProfileString(file, L"Proxy", L"Proxy", L"");
    c.proxyBypass = ProfileString(file, L"Proxy", L"ProxyBypass", L"");
    return c;
  }
  // No script engine here: scripts are not run.
  ScriptProxy ProxyForUrl(const std::wstring&, const std::wstring&) override { return {}; }
  // A multi-string value is a file of lines, one string each.
  bool RegReadMultiString(RegRoot root, const std::wstring& subKey, const std::wstring& value,
                          std::vector<std::wstring>& out) override {
    std::string data;
    if (!ReadFile(W(RegValuePath(root, subKey, value, ".msz")), data)) return false;
    out = SplitMultiString(W(data), L'\n');
    return true;
  }
  bool RegWriteMultiString(RegRoot root, const std::wstring& subKey, const std::wstring& value,
                           const std::vector<std::wstring>& data) override {
    std::string lines;
    for (const std::wstring& item : data) lines += N(item) + "\n";
    return WriteRegValue(root, subKey, value, ".msz", lines);
  }

 private:
  // A value has one type: writing it as one kind removes the other.
  static std::string RegValuePath(RegRoot root, const std::wstring& subKey, const std::wstring& value,
                                  const char* kind) {
    return RegistryPath(root, subKey) + "/" + Lower(N(value)) + kind;
  }
  static bool WriteRegValue(RegRoot root, const std::wstring& subKey, const std::wstring& value, const char* kind,
                            const std::string& data) {
    if (!MakeDirs(RegistryPath(root, subKey))) return false;
    std::string path = RegValuePath(root, subKey, value, kind);
    if (!posix::ReplaceFile(path, data)) return false;
    unlink(RegValuePath(root, subKey, value, std::string(kind) == ".sz" ? ".msz" : ".sz").c_str());
    return true;
  }
};

}  // namespace

Os& nativeOs() {
  // Never destroyed: threads that outlive main (a detached telemetry
  // thread, say) may still ask the system something while the process ends.
  static PosixOs* instance = new PosixOs();
  return *instance;
}

std::vector<std::wstring> CommandLineArguments(int argc, char** argv) {
  std::vector<std::wstring> args;
  for (int i = 0; i < argc; ++i) args.push_back(W(argv[i]));  // the system's text is UTF-8
  return args;
}

}  // namespace platform
