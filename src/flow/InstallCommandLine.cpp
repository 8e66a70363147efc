#include "flow/InstallCommandLine.h"

#include <cstdio>

#include "FuntionImpl/SafeName.h"

namespace InstallText {

namespace {

// The label text between its last "/" and a dot: the first dot after the
// slash (folder) or the last one (file stem).
std::wstring NamePart(const std::wstring& label, bool toLastDot) {
  size_t slash = label.rfind(L'/');
  std::wstring name = slash == std::wstring::npos ? label : label.substr(slash + 1);
  size_t dot = toLastDot ? name.rfind(L'.') : name.find(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}

std::wstring LowerAscii(std::wstring s) {
  for (wchar_t& c : s)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return s;
}

// The switches both installers share after the folder's closing quote.
std::wstring Tail(const std::wstring& lang, const std::wstring& logPath, const std::wstring& tracking) {
  return L" /LANG=" + lang + L" /LOG=\"" + logPath + L"\" /sptrack " + tracking;
}

const wchar_t kSilent[] = L" /VERYSILENT /SP- /NORESTART /DIR=\"";

}  // namespace

std::wstring ProductFolderName(const std::wstring& extraDownloadLabel, const std::wstring& softwareName) {
  std::wstring name = NamePart(extraDownloadLabel, false);
  // No dot after the last "/": the label names no folder.
  const size_t slash = extraDownloadLabel.rfind(L'/');
  if (extraDownloadLabel.find(L'.', slash == std::wstring::npos ? 0 : slash + 1) == std::wstring::npos) name.clear();
  if (FuntionImpl::IsSafeName(name)) return name;
  return FuntionImpl::IsSafeName(softwareName) ? softwareName : std::wstring();
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::wstring PackageFileName(const std::wstring& extraDownloadLabel, const std::wstring& version) {
  // The version comes from the service: it must not lead the name elsewhere.
  if (!version.empty() && !FuntionImpl::IsSafeName(version)) return {};
  const std::wstring stem = NamePart(extraDownloadLabel, true);
  if (!FuntionImpl::IsSafeName(stem)) return {};
  return stem + L"_" + version + (EndsWith(extraDownloadLabel, L".exe") ? L".exe" : L".apk");
}

bool RecordMatches(const std::wstring& firstLine, const std::wstring& version, const std::wstring& md5,
                   const std::wstring& md5Extra) {
  size_t mark = firstLine.find(L"###");
  if (mark == std::wstring::npos || firstLine.compare(0, mark, version) != 0) return false;
  std::wstring digest = LowerAscii(firstLine.substr(mark + 3));
  return !digest.empty() && (digest == md5 || digest == md5Extra);
}

const char* CheckFailureCode(bool md5Matches, bool signatureVerifies) {
  return !md5Matches && !signatureVerifies ? "DL015" : !md5Matches ? "DL013" : "DL014";
}

std::string DownloadTimeBucket(int64_t seconds) {
  const int64_t t = seconds / 10, r = seconds % 10;
  char text[64];
  if (seconds == 0)
    std::snprintf(text, sizeof text, "%llds", static_cast<long long>(t));
  else if (r != 0)
    std::snprintf(text, sizeof text, "[%lld~%llds]", static_cast<long long>(10 * t + 1),
                  static_cast<long long>(10 * t + 10));
  else
    std::snprintf(text, sizeof text, "[%lld~%llds]", static_cast<long long>(10 * t - 9),
                  static_cast<long long>(10 * t));
  return text;
}

std::string DownloadSpeedText(int64_t bytes, uint64_t milliseconds) {
  // A download that resumed a finished file can end within the same tick.
  const double ms = milliseconds == 0 ? 1.0 : static_cast<double>(milliseconds);
  char text[64];
  std::snprintf(text, sizeof text, "%.2fMB/s", static_cast<double>(bytes) / ms / 1024 / 1024 * 1000);
  return text;
}

std::wstring TrackingValue(bool addTracking, const std::wstring& stubPath) {
  if (!addTracking) return L"null";
  size_t slash = stubPath.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? stubPath : stubPath.substr(slash + 1);
  return name.find(L'_') != std::wstring::npos ? L"\"" + name + L"\"" : L"null";
}

std::wstring InstallLogName(const std::wstring& softwareName, const std::tm& t) {
  wchar_t stamp[64];
  std::swprintf(stamp, 64, L"_Setup_%.4d%.2d%.2d%.2d%.2d%.2d.log", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                t.tm_hour, t.tm_min, t.tm_sec);
  return softwareName + stamp;
}

std::wstring InstallerCommandLine(const std::wstring& dir, const std::wstring& lang, const std::wstring& logPath,
                                  const std::wstring& tracking) {
  // The installer reads its command line without escapes, so "\"" after the
  // folder's backslash closes the quote.
  return kSilent + dir + L"\\\"" + Tail(lang, logPath, tracking);
}

std::wstring SubProgramCommandLine(const std::wstring& dir, const std::wstring& lang, const std::wstring& logPath,
                                   const std::wstring& tracking) {
  return kSilent + dir + L"\"" + Tail(lang, logPath, tracking);
}

std::string FormEncode(const std::string& utf8) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(utf8.size());
  for (unsigned char c : utf8) {
    if (c <= 0x20 || c >= 0x7F || c == '&' || c == '=' || c == '%' || c == '+') {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string ExceptionReportBody(int downloaderId, const std::string& code, const std::string& lastQueryUrl,
                                const std::string& currentUrl) {
  return "pid=" + std::to_string(downloaderId) + "&type=2&exception_code=" + code + "&other=" +
         FormEncode(lastQueryUrl) + "," + FormEncode(currentUrl);
}

}  // namespace InstallText
