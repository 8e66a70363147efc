#include "flow/MirrorChoice.h"

#include <climits>

#include "CConfigure/CConfigure.h"
#include "FuntionImpl/SafeName.h"
#include "log/Log.h"
#include "platform/Platform.h"

namespace {

// In the 32-bit view, where the product's 32-bit installer keeps its key.
const wchar_t kUninstallKey[] = L"SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const wchar_t kCounterName[] = L"RequestTooMuchTimes";
// The value is read into 260 bytes: 129 characters and the terminator.
constexpr size_t kMaxValueChars = 129;

// The counter; 0 when missing, unreadable or not a whole decimal number.
long ReadCounter(const std::wstring& softwareName) {
  std::wstring text;
  if (!ReadUninstallValue(softwareName, kCounterName, text) || text.empty()) return 0;
  long n = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return 0;
    n = n > (LONG_MAX - 9) / 10 ? LONG_MAX - 1 : n * 10 + (c - L'0');
  }
  return n;
}

}  // namespace

bool ReadUninstallValue(const std::wstring& softwareName, const std::wstring& name, std::wstring& value) {
  if (!FuntionImpl::IsSafeName(softwareName)) return false;
  std::wstring text;
  if (!platform::os().RegReadString(platform::RegRoot::LocalMachine, kUninstallKey + softwareName, name, text,
                                    platform::RegView::View32) ||
      text.size() > kMaxValueChars)
    return false;
  value = text;
  return true;
}

bool WriteUninstallValue(const std::wstring& softwareName, const std::wstring& name, const std::wstring& value) {
  if (!FuntionImpl::IsSafeName(softwareName)) return false;
  return platform::os().RegWriteString(platform::RegRoot::LocalMachine, kUninstallKey + softwareName, name, value,
                                       platform::RegView::View32);
}

bool IsForbidCDN(const std::wstring& softwareName) { return ReadCounter(softwareName) >= 4; }

void AddRequestTooMuchTimes(const std::wstring& softwareName) {
  long n = ReadCounter(softwareName);
  WriteUninstallValue(softwareName, kCounterName, std::to_wstring(n < 1 ? 1 : n + 1));
}

std::wstring checkRemotePath(std::vector<std::wstring> urls, int mode, const std::wstring& softwareName) {
  // Read and logged for the record; the list holds no CDN address in mode 1.
  LOG(INFO) << " isForbidCDN: " << (IsForbidCDN(softwareName) ? 1 : 0);
  for (const std::wstring& url : urls) {
    const bool cdn = ConfigLabels::IsCdnUrl(url);
    if ((mode == 1 && !cdn) || (mode == 2 && cdn)) {
      LOG(INFO) << " UrlUsed: " << platform::os().WideToAnsi(url);
      return url;
    }
  }
  LOG(INFO) << " checkRemotePath fail: " << -1;
  return {};
}
