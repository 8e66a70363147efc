#include "Common/MainWndRules.h"

#include <algorithm>
#include <cwchar>

#include "language/Language.h"

namespace MainWndRules {

unsigned InstallTimerPeriod(int64_t bytes) {
  if (bytes < 0) bytes = 0;
  int64_t period = bytes / 71680 / 10 * 4;
  // A tiny package would give 0, which no timer can run with.
  return period > 0 ? static_cast<unsigned>(std::min<int64_t>(period, 0x7FFFFFFF)) : 1;
}

CloseReason CloseReasonFor(int mainPage, int innerPage, int progress, bool failVisible, bool started) {
  if (mainPage == 1) {
    if (progress < 80) return {"close02", "Downloading"};
    if (progress <= 90) return {"close04", "Md5Check"};
    return {"close03", "Installing"};
  }
  if (mainPage == 0 && innerPage == 0) return {"close01", "BeforeDownload"};
  if (mainPage == 0 && innerPage == 1) {
    if (failVisible) return {"close05", "Installing"};
    if (started) return {"close07", "Starting"};
    return {"close06", "Installing"};
  }
  return {};
}

int LicenseHeight(int language, bool specialSite) {
  static const int kHeights[kLanguageCount] = {1370, 1320, 1095, 1440, 1485, 1410, 1445, 1295, 1195, 1345,
                                                1095, 1175, 1485, 1370, 1370, 1370, 1175, 1410, 1410, 1410};
  if (language == Lang_Chinese && specialSite) return 1900;
  if (language < 0 || language >= kLanguageCount) return 1765;
  return kHeights[language];
}

std::wstring AdviceUrl(const std::wstring& url, const std::wstring& stubFileName, bool addTracking) {
  if (url.empty() || !addTracking) return url;
  size_t underscore = stubFileName.rfind(L'_');
  if (underscore == std::wstring::npos) return url;
  size_t dot = stubFileName.rfind(L'.');
  std::wstring tracking = (dot != std::wstring::npos && dot > underscore)
                              ? stubFileName.substr(underscore + 1, dot - underscore - 1)
                              : stubFileName.substr(underscore + 1);
  return url + L"?rnclid=" + tracking + L"&package=" + stubFileName;
}

namespace {
// More than any text needs: a longer width or precision has swprintf build
// a text of that size ("%.981597367f" asked for a gigabyte).
constexpr size_t kMaxFormatDigits = 2;

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

bool IsSafeDoubleFormat(const std::wstring& f) {
  int conversions = 0;
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] != L'%') continue;
    if (i + 1 < f.size() && f[i + 1] == L'%') {
      ++i;
      continue;
    }
    size_t j = i + 1;
    while (j < f.size() && (f[j] == L'-' || f[j] == L'+' || f[j] == L' ' || f[j] == L'0')) ++j;  // flags
    size_t digits = 0;
    for (; j < f.size() && IsDigit(f[j]); ++j) ++digits;  // width
    if (digits > kMaxFormatDigits) return false;
    if (j < f.size() && f[j] == L'.') {
      digits = 0;
      for (++j; j < f.size() && IsDigit(f[j]); ++j) ++digits;  // precision
      if (digits > kMaxFormatDigits) return false;
    }
    if (j >= f.size() || (f[j] != L'f' && f[j] != L'F')) return false;
    ++conversions;
    i = j;
  }
  return conversions == 1;
}
}  // namespace

std::wstring FormatWithDouble(const std::wstring& format, double value) {
  if (!IsSafeDoubleFormat(format)) return format;
  wchar_t buf[512];
  int n = std::swprintf(buf, 512, format.c_str(), value);
  return n < 0 ? format : std::wstring(buf);
}

}  // namespace MainWndRules
