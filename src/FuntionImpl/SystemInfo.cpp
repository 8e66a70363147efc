#include "FuntionImpl/SystemInfo.h"

#include "FuntionImpl/SiteTags.h"

#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <vector>

#include "FuntionImpl/Md5.h"
#include "log/Log.h"
#include "platform/Utf.h"

namespace FuntionImpl {

using platform::os;

bool IsWindows11() {
  static const wchar_t* kKeys[] = {L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion",
                                   L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"};
  for (const wchar_t* key : kKeys) {
    std::wstring build;
    if (!os().RegReadString(platform::RegRoot::LocalMachine, key, L"CurrentBuild", build) &&
        !os().RegReadString(platform::RegRoot::LocalMachine, key, L"CurrentBuildNumber", build))
      continue;
    return std::wcstol(build.c_str(), nullptr, 10) >= 22000;
  }
  return false;
}

std::string GetOsName() {
  if (IsWindows11()) return "Windows 11";
  platform::OsVersion nt = os().NtVersion();
  if (nt.ok) {
    if (nt.major == 6 && nt.minor == 3) return "Windows 8.1";
    if (nt.major == 10 && nt.minor == 0) return "Windows 10";
  }
  platform::OsVersion v = os().LegacyVersion();
  if (!v.ok) return "";
  switch (v.major) {
    case 4:
      if (v.minor == 0) return v.platformId == 2 ? "Windows NT 4.0" : "Windows 95";
      if (v.minor == 10) return "Windows 98";
      if (v.minor == 90) return "Microsoft Windows Me";
      return "";
    case 5:
      if (v.minor == 0) return "Windows 2000";
      if (v.minor == 1) return "Windows XP";
      if (v.minor == 2) {
        if (v.workstation && v.x64Processor) return "Windows XP Professional x64 Edition";
        return v.serverR2 ? "Windows Server 2003 R2" : "Windows Server 2003";
      }
      return "";
    case 6:
      if (v.minor == 0) return v.workstation ? "Windows Vista" : "Windows Server 2008";
      if (v.minor == 1) return v.workstation ? "Windows 7" : "Windows Server 2008 R2";
      if (v.minor == 2) return v.workstation ? "Windows 8" : "Windows Server 2012";
      return "";
    default:
      return "Error";
  }
}

bool Is64BitSystem() { return os().Is64BitSystem(); }

std::string GetFileVersionText(const std::wstring& path) { return os().FileVersionText(path); }

double GetDisplayScale(int& width, int& height) {
  int physW = 0, physH = 0, logicalW = 0;
  if (!os().DisplayMetrics(physW, physH, logicalW) || logicalW <= 0) {
    width = height = 0;
    return 0.0;
  }
  width = physW;
  height = physH;
  return static_cast<double>(physW) / logicalW;
}

std::wstring GetLocalNetFrameworkVersion() {
  std::wstring v;
  os().RegReadString(platform::RegRoot::LocalMachine, L"SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v4\\Client",
                     L"Version", v, platform::RegView::View32);
  return v;
}

std::wstring ParseNetFrameCheck(const std::string& text) {
  bool inSettings = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos + (end < text.size() ? 1 : 0));
    pos = end + 1;
    if (line.size() > 1023) line.resize(1023);  // lines are read up to 1024 characters
    if (line.size() < 2) continue;
    if (line.find("[Settings]") != std::string::npos) {
      inSettings = true;
      continue;
    }
    if (line.find("[Text]") != std::string::npos) break;
    if (!inSettings) continue;
    size_t eq = line.find('=', 1);
    if (eq == std::string::npos) continue;
    if (line.substr(0, eq) == "NetFrameworkVersion") return platform::WideFromUtf8(line.substr(eq + 1));
  }
  return {};
}

std::wstring ReadNeedNetFrameVersion(const std::wstring& dir) {
  std::string text;
  if (!os().ReadFile(dir + L"\\NetFrameCheck.db", text)) return {};
  return ParseNetFrameCheck(text);
}

int CompareNetVersions(const std::wstring& need, const std::wstring& local) {
  auto parts = [](const std::wstring& s) {
    std::vector<long> v(4, 0);
    size_t pos = 0;
    for (int i = 0; i < 4 && pos <= s.size(); ++i) {
      size_t dot = s.find(L'.', pos);
      std::wstring piece = s.substr(pos, dot == std::wstring::npos ? std::wstring::npos : dot - pos);
      v[i] = std::wcstol(piece.c_str(), nullptr, 10);
      if (dot == std::wstring::npos) break;
      pos = dot + 1;
    }
    return v;
  };
  std::vector<long> n = parts(need), l = parts(local);
  for (int i = 0; i < 4; ++i)
    if (n[i] != l[i]) return n[i] > l[i] ? 1 : -1;
  return 0;
}

bool WillShowNetFrameCheck(const std::wstring& dir) {
  std::wstring need = ReadNeedNetFrameVersion(dir);
  if (need.empty()) return false;
  std::wstring local = GetLocalNetFrameworkVersion();
  LOG(INFO) << " LocalNetFrame: " << os().WideToAnsi(local) << ", NeedNetFrame: " << os().WideToAnsi(need);
  return CompareNetVersions(need, local) > 0;
}

std::string FormatChinaTime(int64_t unixMs) {
  int64_t secs = unixMs / 1000 + 8 * 3600;  // fixed UTC+8, no daylight saving
  int64_t days = secs / 86400, rem = secs % 86400;
  if (rem < 0) { rem += 86400; --days; }
  // Civil date from days since 1970-01-01 (proleptic Gregorian).
  int64_t z = days + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  int y = static_cast<int>(yoe + era * 400 + (m <= 2));
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, static_cast<int>(rem / 3600),
                static_cast<int>(rem % 3600 / 60), static_cast<int>(rem % 60));
  return buf;
}

std::string GetChinaTimeText() { return FormatChinaTime(os().UnixTimeMs()); }

std::wstring GetHostFromUrl(const std::wstring& url) {
  if (url.empty()) return {};
  size_t dot = url.find(L'.');
  if (dot == std::wstring::npos) return {};
  size_t slashAfter = url.find(L'/', dot);
  if (slashAfter == std::wstring::npos) return {};
  size_t slashBefore = url.rfind(L'/', dot);
  size_t begin = slashBefore == std::wstring::npos ? 0 : slashBefore + 1;
  std::wstring host = url.substr(begin, slashAfter - begin);
  for (wchar_t& c : host) c = static_cast<wchar_t>(std::towlower(c));
  return host;
}

bool IsExeFile(const std::wstring& path) {
  return path.size() >= 4 && path.compare(path.size() - 4, 4, L".exe") == 0;
}

int64_t GetFileSize64(const std::wstring& path) {
  int64_t n = os().FileSize(path);
  return n < 0 ? 0 : n;
}

size_t ReplaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to) {
  if (text.empty() || from.empty()) return 0;
  size_t count = 0;
  for (size_t pos = text.find(from); pos != std::wstring::npos; pos = text.find(from, pos + to.size())) {
    text.replace(pos, from.size(), to);
    ++count;
  }
  return count;
}

std::string WideToUtf8(const std::wstring& w) { return platform::Utf8FromWide(w); }
std::wstring Utf8ToWide(const std::string& s) { return platform::WideFromUtf8(s); }

std::string GetTrafficType(int siteNumber) {
  switch (siteNumber) {
    case 2: case 8: case 74: case 84: case 206: case 293: case 305: case 338: return "PPC";
    default: return "SEO";
  }
}

std::string GetSiteTagFor(int siteNumber, const std::string& fileNameLower) {
  if (siteNumber == 2) return NamesSearchEngine(fileNameLower, "bing") ? "Bing" : "Yahoo";
  std::string tag;
  return LookUpSiteTag(siteNumber, fileNameLower, tag) ? tag : std::string();
}

std::string GetSiteTag(int siteNumber) {
  return GetSiteTagFor(siteNumber, platform::ToLowerAscii(platform::Utf8FromWide(platform::FileNameOf(os().ModuleFileName()))));
}

int GetStorageBusType(wchar_t letter) { return os().StorageBusType(letter); }

void PickInstallDrive(std::wstring& path) {
  if (path.size() < 3) return;
  std::wstring best = path.substr(0, 3);
  uint64_t bestFree = 0;
  for (wchar_t letter : os().LogicalDrives()) {
    std::wstring root = std::wstring(1, letter) + L":\\";
    if (os().DriveTypeOf(root) != platform::DriveType::Fixed) continue;
    if (os().StorageBusType(letter) == 7) continue;  // USB
    uint64_t freeBytes = 0;
    if (!os().DiskFreeForUser(root, freeBytes)) continue;
    if (freeBytes > bestFree) {
      bestFree = freeBytes;
      best = root;
    }
  }
  path = best + path.substr(3);
}

std::wstring FindFileInDir(const std::wstring& dirIn, const std::wstring& name) {
  std::wstring dir = dirIn;
  if (dir.empty() || (dir.back() != L'\\' && dir.back() != L'/')) dir += L'\\';
  if (os().FileExists(dir + name)) return dir + name;
  for (const std::wstring& entry : os().ListDirectory(dir)) {
    if (!os().IsDirectory(dir + entry)) continue;
    std::wstring candidate = dir + entry + L"\\" + name;
    if (os().FileExists(candidate)) return candidate;
    std::wstring deeper = FindFileInDir(dir + entry, name);
    if (!deeper.empty()) return deeper;
  }
  return {};
}

std::wstring ReadRegString(platform::RegRoot root, const std::wstring& subKey, const std::wstring& valueName) {
  std::wstring v;
  if (!os().RegReadString(root, subKey, valueName, v, platform::RegView::View32) || v.size() > 260) return {};
  return v;
}

bool WriteRegString(platform::RegRoot root, const std::wstring& subKey, const std::wstring& valueName,
                    const std::wstring& value) {
  return os().RegWriteString(root, subKey, valueName, value, platform::RegView::View32);
}

std::wstring CutPrefix20(const std::wstring& text) {
  if (text.size() > 20 && text[0] == L'2') return text.substr(20);
  return {};
}

}  // namespace FuntionImpl
