#include "FuntionImpl/SystemInfo.h"

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

bool IsWow64() { return os().IsWow64Process(); }

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
                     L"Version", v, true);
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

namespace {
// Site numbers of the distribution sites and brands, and their tags.
struct SiteTagRow {
  int site;
  const char* tag;
  const char* markerBase64;  // when set, the tag applies only if the file name holds the decoded marker
  const char* otherwise;     // tag when the marker is absent
};
const SiteTagRow kSiteTags[] = {
    {3, "Organic", nullptr, nullptr},        {8, "Google", nullptr, nullptr},
    {12, "Softpedia", nullptr, nullptr},     {15, "Uptodown", nullptr, nullptr},
    {21, "FileHorse", nullptr, nullptr},     {27, "Filehippo", nullptr, nullptr},
    {33, "MajorGeeks", nullptr, nullptr},    {41, "TechSpot", nullptr, nullptr},
    {54, "Partner", nullptr, nullptr},       {74, "Facebook", nullptr, nullptr},
    {84, "GoogleAds", nullptr, nullptr},     {93, "Affiliate", nullptr, nullptr},
    {101, "Newsletter", nullptr, nullptr},   {118, "Reseller", nullptr, nullptr},
    {127, "OEM", nullptr, nullptr},          {133, "Bundle", nullptr, nullptr},
    {150, "YouTube", nullptr, nullptr},      {177, "Twitter", nullptr, nullptr},
    {206, "BingAds", nullptr, nullptr},      {214, "Reddit", nullptr, nullptr},
    {233, "Blog", nullptr, nullptr},         {247, "Forum", nullptr, nullptr},
    {290, "Store", nullptr, nullptr},        {293, "TikTok", nullptr, nullptr},
    {305, "Instagram", nullptr, nullptr},    {338, "Pinterest", nullptr, nullptr},
    {525, "Website", nullptr, nullptr},      {642, "Downloader", nullptr, nullptr},
    // "_promo" and "_edu" markers split two channels by the installer's file name.
    {410, "Promo", "X3Byb21v", "Direct"},    {411, "Education", "X2VkdQ==", "Retail"},
};

std::string DecodeBase64(const std::string& in) {
  static const std::string chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  uint32_t val = 0;
  int bits = -8;
  for (char c : in) {
    size_t p = chars.find(c);
    if (p == std::string::npos) break;  // "=" padding ends the data
    val = ((val << 6) | static_cast<uint32_t>(p)) & 0xFFFFFFu;  // only the last 24 bits matter
    bits += 6;
    if (bits >= 0) {
      out += static_cast<char>((val >> bits) & 0xFF);
      bits -= 8;
    }
  }
  return out;
}
}  // namespace

std::string GetSiteTagFor(int siteNumber, const std::string& fileNameLower) {
  if (siteNumber == 2)
    return (fileNameLower.find("_bing_") != std::string::npos || fileNameLower.find("_bing.") != std::string::npos)
               ? "Bing"
               : "Yahoo";
  for (const SiteTagRow& row : kSiteTags) {
    if (row.site != siteNumber) continue;
    if (!row.markerBase64) return row.tag;
    return fileNameLower.find(DecodeBase64(row.markerBase64)) != std::string::npos ? row.tag : row.otherwise;
  }
  return "";
}

std::string GetSiteTag(int siteNumber) {
  std::string name = platform::Utf8FromWide(platform::FileNameOf(os().ModuleFileName()));
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return GetSiteTagFor(siteNumber, name);
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
  if (!os().RegReadString(root, subKey, valueName, v) || v.size() > 260) return {};
  return v;
}

bool WriteRegString(platform::RegRoot root, const std::wstring& subKey, const std::wstring& valueName,
                    const std::wstring& value) {
  return os().RegWriteString(root, subKey, valueName, value);
}

std::wstring CutPrefix20(const std::wstring& text) {
  if (text.size() > 20 && text[0] == L'2') return text.substr(20);
  return {};
}

}  // namespace FuntionImpl
