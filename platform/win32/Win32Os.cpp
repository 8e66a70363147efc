// The real Windows services.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <winioctl.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "platform/MultiString.h"
#include "platform/Platform.h"
#include "platform/SystemOps.h"
#include "platform/Utf.h"
#include "platform/win32/Win32Handles.h"

namespace platform {
namespace win32 {
int AuthorizeFirewallApp(const std::wstring& imagePath);
IEProxyConfig GetIEProxyConfig();
ScriptProxy ProxyForUrl(const std::wstring& url, const std::wstring& scriptUrl);
HMODULE LoadSystemLibrary(const std::wstring& name);  // from System32 by its full path
}

wchar_t PathSeparator() { return L'\\'; }

std::wstring CurrentDirectory() {
  DWORD n = GetCurrentDirectoryW(0, nullptr);
  if (n == 0) return std::wstring();
  std::wstring dir(n, L'\0');
  n = GetCurrentDirectoryW(n, &dir[0]);
  dir.resize(n);
  return dir;
}

namespace {

HKEY RootKey(RegRoot r) { return r == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }
REGSAM ViewFlag(RegView v) { return v == RegView::View32 ? KEY_WOW64_32KEY : 0; }

// An empty owner when the key cannot be opened.
win32::UniqueRegKey OpenRegKey(RegRoot root, const std::wstring& subKey, REGSAM sam) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(RootKey(root), subKey.c_str(), 0, sam, &key) != ERROR_SUCCESS) return {};
  return win32::UniqueRegKey(key);
}

// Opened with full access, created when missing; empty on failure.
win32::UniqueRegKey CreateRegKey(RegRoot root, const std::wstring& subKey, RegView view = RegView::Native) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(RootKey(root), subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | ViewFlag(view), nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return {};
  return win32::UniqueRegKey(key);
}

// Mutexes, events and files handed out through Os come back here.
void CloseOsHandle(std::uintptr_t h) { win32::UniqueKernelHandle owned(reinterpret_cast<HANDLE>(h)); }

// Moves len bytes at a 64-bit offset in pieces of at most 1 MiB. The
// position travels in the OVERLAPPED record: no shared file pointer, so
// threads may read and write the same handle at once.
template <typename Op>
size_t TransferAt(FileHandle h, int64_t offset, size_t len, Op op) {
  if (h == 0 || offset < 0) return 0;
  size_t done = 0;
  while (done < len) {
    OVERLAPPED ov = {};
    uint64_t at = static_cast<uint64_t>(offset) + done;
    ov.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
    ov.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(len - done, 1u << 20));
    DWORD moved = 0;
    if (!op(reinterpret_cast<HANDLE>(h), done, chunk, &moved, &ov) || moved == 0) break;
    done += moved;
  }
  return done;
}

class Win32Os final : public SystemOpsOs {
 public:
  std::wstring ModuleFileName() override {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
      DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
      if (n == 0) return {};
      if (n < buf.size()) return std::wstring(buf.data(), n);
      buf.resize(buf.size() * 2);
    }
  }

  std::wstring SpecialFolderPath(SpecialFolder f) override {
    if (f == SpecialFolder::Temp) {
      wchar_t buf[MAX_PATH + 1];
      DWORD n = GetTempPathW(MAX_PATH + 1, buf);
      if (n == 0 || n > MAX_PATH) return {};
      wchar_t longBuf[MAX_PATH + 1];
      DWORD m = GetLongPathNameW(buf, longBuf, MAX_PATH + 1);
      std::wstring p = (m > 0 && m <= MAX_PATH) ? std::wstring(longBuf, m) : std::wstring(buf, n);
      while (!p.empty() && (p.back() == L'\\' || p.back() == L'/')) p.pop_back();
      return p;
    }
    int csidl = CSIDL_PROGRAM_FILES;
    switch (f) {
      case SpecialFolder::ProgramFiles: csidl = CSIDL_PROGRAM_FILES; break;
      case SpecialFolder::Desktop: csidl = CSIDL_DESKTOPDIRECTORY; break;
      case SpecialFolder::AppData: csidl = CSIDL_APPDATA; break;
      case SpecialFolder::LocalAppData: csidl = CSIDL_LOCAL_APPDATA; break;
      case SpecialFolder::Windows: csidl = CSIDL_WINDOWS; break;
      case SpecialFolder::Temp: break;
    }
    wchar_t buf[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf))) return {};
    return buf;
  }

  bool CreateDirectories(const std::wstring& p) override {
    int rc = SHCreateDirectoryExW(nullptr, p.c_str(), nullptr);
    if (rc == ERROR_SUCCESS) return true;
    // "Exists" is success only for a folder: a file of that name is no folder to use.
    return (rc == ERROR_FILE_EXISTS || rc == ERROR_ALREADY_EXISTS) && IsDirectory(p);
  }

  bool FileExists(const std::wstring& p) override { return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES; }
  bool IsDirectory(const std::wstring& p) override {
    DWORD a = GetFileAttributesW(p.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
  }
  int64_t FileSize(const std::wstring& p) override {
    win32::UniqueFileHandle h(CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return -1;
    LARGE_INTEGER size;
    return GetFileSizeEx(h.get(), &size) ? size.QuadPart : -1;
  }
  bool ReadFile(const std::wstring& p, std::string& out) override {
    win32::UniqueFileHandle h(CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return false;
    out.clear();
    char buf[65536];
    DWORD got = 0;
    for (;;) {
      if (!::ReadFile(h.get(), buf, sizeof buf, &got, nullptr)) return false;
      if (got == 0) return true;
      out.append(buf, got);
    }
  }
  bool WriteFile(const std::wstring& p, const std::string& data) override {
    win32::UniqueFileHandle h(CreateFileW(p.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return false;
    size_t done = 0;
    while (done < data.size()) {
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 20));
      DWORD wrote = 0;
      if (!::WriteFile(h.get(), data.data() + done, chunk, &wrote, nullptr) || wrote == 0) return false;
      done += wrote;
    }
    return true;
  }
  bool RemoveFile(const std::wstring& p) override { return ::DeleteFileW(p.c_str()) != 0; }
  std::vector<std::wstring> ListDirectory(const std::wstring& d) override {
    std::vector<std::wstring> names;
    std::wstring pattern = JoinPath(d, L"*.*");
    WIN32_FIND_DATAW fd;
    win32::UniqueFindHandle h(FindFirstFileW(pattern.c_str(), &fd));
    if (!h) return names;
    do {
      std::wstring n = fd.cFileName;
      if (n != L"." && n != L"..") names.push_back(n);
    } while (FindNextFileW(h.get(), &fd));
    return names;
  }

  FileHandle OpenFileForUpdate(const std::wstring& p) override {
    HANDLE h = CreateFileW(p.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return h == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<FileHandle>(h);
  }
  FileHandle OpenFileForRead(const std::wstring& p) override {
    HANDLE h = CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return h == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<FileHandle>(h);
  }
  // Only reading is shared: nobody writes, renames or deletes the file while
  // it is held, and starting it still works (execute counts as read).
  FileHandle OpenFileForCheck(const std::wstring& p) override {
    HANDLE h = CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    return h == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<FileHandle>(h);
  }
  int64_t FileSizeOf(FileHandle h) override {
    LARGE_INTEGER size;
    if (h == 0 || !GetFileSizeEx(reinterpret_cast<HANDLE>(h), &size)) return -1;
    return size.QuadPart;
  }
  size_t WriteFileAt(FileHandle h, int64_t offset, const void* data, size_t len) override {
    return TransferAt(h, offset, len, [&](HANDLE f, size_t done, DWORD chunk, DWORD* moved, OVERLAPPED* ov) {
      return ::WriteFile(f, static_cast<const char*>(data) + done, chunk, moved, ov);
    });
  }
  size_t ReadFileAt(FileHandle h, int64_t offset, void* out, size_t len) override {
    return TransferAt(h, offset, len, [&](HANDLE f, size_t done, DWORD chunk, DWORD* moved, OVERLAPPED* ov) {
      return ::ReadFile(f, static_cast<char*>(out) + done, chunk, moved, ov);
    });
  }
  bool SetFileLength(FileHandle h, int64_t length) override {
    if (h == 0 || length < 0) return false;
    FILE_END_OF_FILE_INFO info;
    info.EndOfFile.QuadPart = length;
    return SetFileInformationByHandle(reinterpret_cast<HANDLE>(h), FileEndOfFileInfo, &info, sizeof info) != 0;
  }
  void CloseFile(FileHandle h) override { CloseOsHandle(h); }
  bool MoveFileReplace(const std::wstring& from, const std::wstring& to) override {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  }

  bool IsNetworkAlive() override {
    // SENSAPI is looked up at run time; without it the network counts as present.
    using Fn = BOOL(WINAPI*)(LPDWORD);
    static HMODULE sens = win32::LoadSystemLibrary(L"sensapi.dll");
    static Fn fn = sens ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(sens, "IsNetworkAlive"))) : nullptr;
    if (!fn) return true;
    DWORD flags = 0;
    return fn(&flags) != FALSE;
  }

  int ProfileInt(const std::wstring& file, const std::wstring& section, const std::wstring& key, int def) override {
    return static_cast<int>(GetPrivateProfileIntW(section.c_str(), key.c_str(), def, file.c_str()));
  }
  std::wstring ProfileString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                             const std::wstring& def) override {
    std::vector<wchar_t> buf(1024);
    DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), def.c_str(), buf.data(),
                                       static_cast<DWORD>(buf.size()), file.c_str());
    return std::wstring(buf.data(), n);
  }

  bool LoadModuleResource(const std::wstring& type, int id, std::string& out) override {
    out.clear();
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC res = FindResourceW(self, MAKEINTRESOURCEW(id), type.c_str());
    if (!res) return false;
    HGLOBAL loaded = LoadResource(self, res);
    DWORD size = SizeofResource(self, res);
    if (!loaded || size == 0) return false;
    const void* bytes = LockResource(loaded);
    if (!bytes) return false;
    out.assign(static_cast<const char*>(bytes), size);
    return true;
  }

  MutexResult CreateNamedMutex(const std::wstring& name, bool initialOwner) override {
    MutexResult r;
    HANDLE h = CreateMutexW(nullptr, initialOwner ? TRUE : FALSE, name.c_str());
    r.alreadyExisted = GetLastError() == ERROR_ALREADY_EXISTS;
    r.handle = reinterpret_cast<MutexHandle>(h);
    return r;
  }
  void ReleaseAndCloseMutex(MutexHandle h, bool release) override {
    if (h && release) ReleaseMutex(reinterpret_cast<HANDLE>(h));
    CloseOsHandle(h);
  }

  EventHandle CreateNamedEvent(const std::wstring& name, bool manualReset, bool initialState) override {
    HANDLE h = CreateEventW(nullptr, manualReset ? TRUE : FALSE, initialState ? TRUE : FALSE,
                            name.empty() ? nullptr : name.c_str());
    return reinterpret_cast<EventHandle>(h);
  }
  bool WaitEvent(EventHandle h, unsigned timeoutMs) override {
    return h && WaitForSingleObject(reinterpret_cast<HANDLE>(h), timeoutMs) == WAIT_OBJECT_0;
  }
  void SignalEvent(EventHandle h) override {
    if (h) ::SetEvent(reinterpret_cast<HANDLE>(h));
  }
  void CloseEvent(EventHandle h) override { CloseOsHandle(h); }

  std::string UiLocaleText() override {
    LCID lcid = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
    wchar_t lang[128] = {0}, country[128] = {0};
    if (!GetLocaleInfoW(lcid, LOCALE_SENGLISHLANGUAGENAME, lang, 128)) return {};
    if (!GetLocaleInfoW(lcid, LOCALE_SENGLISHCOUNTRYNAME, country, 128)) return Utf8FromWide(lang);
    return Utf8FromWide(std::wstring(lang) + L"_" + country);
  }

  WindowHandle FindTopLevelWindow(const std::wstring& className) override {
    return reinterpret_cast<WindowHandle>(FindWindowW(className.c_str(), nullptr));
  }
  void SwitchToWindow(WindowHandle w) override {
    using SwitchFn = void(WINAPI*)(HWND, BOOL);
    auto fn = reinterpret_cast<SwitchFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SwitchToThisWindow")));
    if (fn) fn(reinterpret_cast<HWND>(w), TRUE);
  }
  void AnnounceWindow(const std::wstring&, bool) override {}

  bool RegReadString(RegRoot root, const std::wstring& subKey, const std::wstring& value, std::wstring& out,
                     RegView view) override {
    win32::UniqueRegKey key = OpenRegKey(root, subKey, KEY_ALL_ACCESS | ViewFlag(view));
    if (!key) return false;
    wchar_t buf[261] = {};
    DWORD type = 0, size = sizeof(buf) - sizeof(wchar_t);
    LONG rc = RegQueryValueExW(key.get(), value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    // Longer than 260 characters counts as missing.
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    size_t chars = size / sizeof(wchar_t);
    while (chars > 0 && buf[chars - 1] == L'\0') --chars;
    out.assign(buf, chars);
    return true;
  }
  bool RegWriteString(RegRoot root, const std::wstring& subKey, const std::wstring& value, const std::wstring& data,
                      RegView view) override {
    win32::UniqueRegKey key = CreateRegKey(root, subKey, view);
    if (!key) return false;
    // The terminator is part of a REG_SZ value: readers that trust the
    // stored length would otherwise see an unterminated text.
    LONG rc = RegSetValueExW(key.get(), value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    return rc == ERROR_SUCCESS;
  }
  bool RegKeyExists(RegRoot root, const std::wstring& subKey, RegView view) override {
    return static_cast<bool>(OpenRegKey(root, subKey, KEY_READ | ViewFlag(view)));
  }
  unsigned UserDefaultUILanguage() override { return GetUserDefaultUILanguage(); }
  std::wstring UserRegionCode() override {
    GEOID nation = GetUserGeoID(GEOCLASS_NATION);
    if (nation == GEOID_NOT_AVAILABLE) return {};
    wchar_t code[260] = {0};
    LANGID lang = LANGIDFROMLCID(GetUserDefaultLCID());
    if (GetGeoInfoW(nation, GEO_ISO2, code, 260, lang) <= 0) return {};
    return code;
  }

  OsVersion NtVersion() override {
    OsVersion v;
    using Fn = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
    auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetNtVersionNumbers")));
    if (!fn) return v;
    DWORD major = 0, minor = 0, build = 0;
    fn(&major, &minor, &build);
    v.major = major;
    v.minor = minor;
    v.build = build & 0xFFFF;
    v.ok = true;
    return v;
  }
  OsVersion LegacyVersion() override {
    OsVersion v;
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return v;
#pragma GCC diagnostic pop
    SYSTEM_INFO si = {};
    GetNativeSystemInfo(&si);
    v.major = info.dwMajorVersion;
    v.minor = info.dwMinorVersion;
    v.build = info.dwBuildNumber;
    v.platformId = info.dwPlatformId;
    v.workstation = info.wProductType == VER_NT_WORKSTATION;
    v.x64Processor = si.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
    v.serverR2 = GetSystemMetrics(SM_SERVERR2) != 0;
    v.ok = true;
    return v;
  }
  // A 64-bit build runs on 64-bit Windows only; a 32-bit one asks whether
  // it runs under WOW64.
  bool Is64BitSystem() override {
    if (sizeof(void*) == 8) return true;
    using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process")));
    BOOL wow = FALSE;
    return fn && fn(GetCurrentProcess(), &wow) && wow != FALSE;
  }

  std::string FileVersionText(const std::wstring& path) override {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0 || size > 16 * 1024) return {};
    std::vector<char> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return {};
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &len) || !info) return {};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d.%d.%d.%d", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                  HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
    return buf;
  }

  std::vector<wchar_t> LogicalDrives() override {
    std::vector<wchar_t> letters;
    DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i)
      if (mask & (1u << i)) letters.push_back(static_cast<wchar_t>(L'A' + i));
    return letters;
  }
  DriveType DriveTypeOf(const std::wstring& root) override {
    switch (GetDriveTypeW(root.c_str())) {
      case DRIVE_NO_ROOT_DIR: return DriveType::NoRoot;
      case DRIVE_REMOVABLE: return DriveType::Removable;
      case DRIVE_FIXED: return DriveType::Fixed;
      case DRIVE_REMOTE: return DriveType::Remote;
      case DRIVE_CDROM: return DriveType::CdRom;
      case DRIVE_RAMDISK: return DriveType::RamDisk;
      default: return DriveType::Unknown;
    }
  }
  bool DiskFreeForUser(const std::wstring& p, uint64_t& freeBytes) override {
    ULARGE_INTEGER avail;
    if (!GetDiskFreeSpaceExW(p.c_str(), &avail, nullptr, nullptr)) return false;
    freeBytes = avail.QuadPart;
    return true;
  }
  int StorageBusType(wchar_t letter) override {
    if (!((letter >= L'A' && letter <= L'Z') || (letter >= L'a' && letter <= L'z'))) return 0;
    std::wstring dev = L"\\\\.\\";
    dev += letter;
    dev += L':';
    win32::UniqueFileHandle h(
        CreateFileW(dev.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!h) return 0;
    STORAGE_PROPERTY_QUERY q = {};
    q.PropertyId = StorageDeviceProperty;
    q.QueryType = PropertyStandardQuery;
    STORAGE_DEVICE_DESCRIPTOR desc = {};
    DWORD got = 0;
    BOOL ok =
        DeviceIoControl(h.get(), IOCTL_STORAGE_QUERY_PROPERTY, &q, sizeof q, &desc, sizeof desc, &got, nullptr);
    return ok ? static_cast<int>(desc.BusType) : 0;
  }

  bool DisplayMetrics(int& physW, int& physH, int& logicalW) override {
    HMONITOR mon = MonitorFromWindow(GetDesktopWindow(), MONITOR_DEFAULTTONEAREST);
    MONITORINFOEXW mi = {};
    mi.cbSize = sizeof(mi);
    if (!GetMonitorInfoW(mon, &mi)) return false;
    DEVMODEW dm = {};
    dm.dmSize = sizeof(dm);
    if (!EnumDisplaySettingsW(mi.szDevice, ENUM_CURRENT_SETTINGS, &dm)) return false;
    physW = static_cast<int>(dm.dmPelsWidth);
    physH = static_cast<int>(dm.dmPelsHeight);
    logicalW = mi.rcMonitor.right - mi.rcMonitor.left;
    return logicalW > 0;
  }

  uint64_t TickCount() override { return GetTickCount64(); }
  int64_t UnixTimeMs() override {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER t;
    t.LowPart = ft.dwLowDateTime;
    t.HighPart = ft.dwHighDateTime;
    return static_cast<int64_t>((t.QuadPart - 116444736000000000ULL) / 10000ULL);
  }

  std::vector<ProcessEntry> ProcessSnapshot() override {
    std::vector<ProcessEntry> list;
    win32::UniqueFileHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap) return list;
    PROCESSENTRY32W pe = {};
    pe.dwSize = sizeof(pe);
    if (Process32FirstW(snap.get(), &pe)) {
      do {
        list.push_back({pe.th32ProcessID, pe.szExeFile});
      } while (Process32NextW(snap.get(), &pe));
    }
    return list;
  }
  unsigned CurrentProcessId() override { return GetCurrentProcessId(); }

  void AttachDebugConsole() override {
    if (!AllocConsole()) return;
    FILE* out = nullptr;
    _wfreopen_s(&out, L"conout$", L"w", stdout);
  }
  bool ComInitialize() override { return SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
  void ComUninitialize() override { CoUninitialize(); }

  int AuthorizeFirewallApp(const std::wstring& p) override { return win32::AuthorizeFirewallApp(p); }
  IEProxyConfig GetIEProxyConfig() override { return win32::GetIEProxyConfig(); }
  ScriptProxy ProxyForUrl(const std::wstring& u, const std::wstring& s) override { return win32::ProxyForUrl(u, s); }

  std::string WideToAnsi(const std::wstring& w) override {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
  }
  std::wstring AnsiToWide(const std::string& s) override {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
  }
  bool RegReadMultiString(RegRoot root, const std::wstring& subKey, const std::wstring& value,
                          std::vector<std::wstring>& out) override {
    win32::UniqueRegKey key = OpenRegKey(root, subKey, KEY_READ);
    if (!key) return false;
    std::vector<wchar_t> buf;
    DWORD type = 0, size = 0;
    LONG rc = ERROR_MORE_DATA;
    // The value may grow between the size query and the read: ask again.
    for (int tries = 0; rc == ERROR_MORE_DATA && tries < 4; ++tries) {
      rc = RegQueryValueExW(key.get(), value.c_str(), nullptr, &type, nullptr, &size);
      if (rc != ERROR_SUCCESS) return false;
      buf.assign(size / sizeof(wchar_t) + 1, L'\0');
      rc = RegQueryValueExW(key.get(), value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size);
    }
    if (rc != ERROR_SUCCESS || type != REG_MULTI_SZ) return false;
    out = SplitMultiString(std::wstring(buf.data(), size / sizeof(wchar_t)), L'\0');
    return true;
  }
  bool RegWriteMultiString(RegRoot root, const std::wstring& subKey, const std::wstring& value,
                           const std::vector<std::wstring>& data) override {
    win32::UniqueRegKey key = CreateRegKey(root, subKey);
    if (!key) return false;
    std::wstring block;
    for (const std::wstring& item : data) {
      block += item;
      block += L'\0';
    }
    block += L'\0';  // the list ends with an empty string
    LONG rc = RegSetValueExW(key.get(), value.c_str(), 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(block.data()),
                             static_cast<DWORD>(block.size() * sizeof(wchar_t)));
    return rc == ERROR_SUCCESS;
  }
};

}  // namespace

Os& nativeOs() {
  // Never destroyed: threads that outlive main (a detached telemetry
  // thread, say) may still ask the system something while the process ends.
  static Win32Os* instance = new Win32Os();
  return *instance;
}

std::vector<std::wstring> CommandLineArguments(int, char**) {
  std::vector<std::wstring> args;
  int n = 0;
  std::unique_ptr<LPWSTR, HLOCAL (*)(HLOCAL)> argv(CommandLineToArgvW(GetCommandLineW(), &n), &LocalFree);
  if (!argv) return args;
  for (int i = 0; i < n; ++i) args.emplace_back(argv.get()[i]);
  return args;
}

}  // namespace platform
