#include "Common/InstallUIMainWnd.h"

#include <cstdio>
#include <ctime>

#include "Common/ProcessSlots.h"
#include "FuntionImpl/RunOptions.h"
#include "FuntionImpl/SystemInfo.h"
#include "log/Log.h"
#include "platform/Platform.h"

namespace {
const char kMainLayout[] = "InstallMainWnd.xml";

bool EndsWith(const std::wstring& s, const std::wstring& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Local time as "%.4d%.2d%.2d%.2d%.2d%.2d%.3d".
std::wstring LocalTimeStamp() {
  int64_t ms = platform::os().UnixTimeMs();
  std::time_t secs = static_cast<std::time_t>(ms / 1000);
  std::tm tm = {};
#if defined(_WIN32)
  localtime_s(&tm, &secs);
#else
  localtime_r(&secs, &tm);
#endif
  wchar_t buf[32];
  std::swprintf(buf, 32, L"%.4d%.2d%.2d%.2d%.2d%.2d%.3d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                tm.tm_min, tm.tm_sec, static_cast<int>(ms % 1000));
  return buf;
}
}  // namespace

InstallUIMainWnd::InstallUIMainWnd() = default;
InstallUIMainWnd::~InstallUIMainWnd() = default;

std::wstring InstallUIMainWnd::GetWindowClassName() const {
  std::wstring slot = ProcessSlots::MainWindowClassName();
  return slot.empty() ? L"ZQ_UI_Frame" : slot;
}

std::wstring InstallUIMainWnd::ProductFolderName(const std::wstring& url, const std::wstring& softwareName) {
  size_t slash = url.rfind(L'/');
  if (slash != std::wstring::npos) {
    size_t dot = url.find(L'.', slash + 1);
    if (dot != std::wstring::npos && dot > slash + 1) return url.substr(slash + 1, dot - slash - 1);
  }
  return softwareName;
}

std::wstring InstallUIMainWnd::PackageFileName(const std::wstring& url, const std::wstring& version) {
  size_t slash = url.rfind(L'/');
  std::wstring name = slash == std::wstring::npos ? url : url.substr(slash + 1);
  size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos) name.resize(dot);
  return name + L"_" + version + (EndsWith(url, L".exe") ? L".exe" : L".apk");
}

std::wstring InstallUIMainWnd::LogFileName(const std::wstring& packageFileName, const std::wstring& timeStamp) {
  // The version after the last "_" becomes the time stamp; ".log" replaces
  // the last four characters.
  std::wstring base = packageFileName.size() >= 4 ? packageFileName.substr(0, packageFileName.size() - 4)
                                                  : packageFileName;
  size_t underscore = base.rfind(L'_');
  if (underscore != std::wstring::npos) base.resize(underscore + 1);
  else base += L"_";
  return base + timeStamp + L".log";
}

void InstallUIMainWnd::InitWindow() {
  platform::Os& os = platform::os();
  startTick_ = os.TickCount();
  pm_.LoadLayout(kMainLayout);

  config_ = std::make_unique<CConfigure>();
  config_->LoadFromLabels(pm_);

  runTimeStamp_ = LocalTimeStamp();
  defaultInstallFolder_ = os.SpecialFolderPath(platform::SpecialFolder::ProgramFiles) +
                          platform::PathSeparator() + L"Lumevia";

  std::wstring extra = config_->Extra_download_url;
  std::wstring folderName = ProductFolderName(extra, config_->Software_name);
  platform::SpecialFolder where = EndsWith(extra, L".exe") ? platform::SpecialFolder::Temp
                                                           : platform::SpecialFolder::Desktop;
  downloadFolder_ = os.SpecialFolderPath(where) + platform::PathSeparator() + folderName;
  os.CreateDirectories(downloadFolder_);
  installFolderName_ = config_->Software_name;

  std::wstring version = config_->Software_version.empty() ? L"1.0.0.0" : config_->Software_version;
  logFilePath_ = downloadFolder_ + platform::PathSeparator() +
                 LogFileName(PackageFileName(extra, version), runTimeStamp_);
  applog::ConfigureLog(os.WideToAnsi(logFilePath_));

  int w = 0, h = 0;
  double scale = FuntionImpl::GetDisplayScale(w, h);
  LOG(INFO) << " Downloader version: " << FuntionImpl::GetFileVersionText(os.ModuleFileName())
            << ", 64Bit: " << (os.Is64BitSystem() ? "True" : "False") << ", proc_id=" << os.CurrentProcessId();
  LOG(INFO) << " Screen: " << w << "*" << h << ", " << scale;
  LOG(INFO) << " Request For Product Config -- [Downloader Id]: " << config_->Downloader_id
            << " [Site Id]: " << config_->Site_id << " [Language Id]: " << config_->Language_id;
}

bool InstallUIMainWnd::IsNotSupport(bool) {
  if (FuntionImpl::IsSkipLimit()) return false;
  // Only the configuration's own list can refuse for now: the country of
  // this machine is not known before the geolocation fetch exists.
  return false;
}

void InstallUIMainWnd::ShowMainWindow() {}

void InstallUIMainWnd::OnClose() {
  LOG(INFO) << " Main window closed, close mode " << closeMode_;
  SkinUI::PostQuitMessage(0);
}

intptr_t InstallUIMainWnd::HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  switch (msg) {
    case SkinUI::kWmCreate:
      InitWindow();
      return 0;
    case SkinUI::kWmClose:
      OnClose();
      break;
    default:
      break;
  }
  return DefaultHandling(msg, wParam, lParam);
}
