#include "Common/InstallUIMainWnd.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "Common/ProcessSlots.h"
#include "telemetry/CSingleUserLog.h"
#include "FuntionImpl/RunOptions.h"
#include "FuntionImpl/SystemInfo.h"
#include "language/LanguageFile.h"
#include "log/Log.h"
#include "platform/Platform.h"
#include "platform/Utf.h"
#include "toolkit/Backend.h"
#include "toolkit/ComboUI.h"
#include "toolkit/ContainerUI.h"
#include "toolkit/OptionUI.h"
#include "toolkit/ProgressUI.h"
#include "toolkit/Shell.h"
#include "ui/CAnimaEx.h"
#include "ui/COptionExUI.h"
#include "ui/MessageBoxWnd.h"
#include "ui/StubControls.h"
#include "ui/UiTelemetry.h"

namespace {
const wchar_t kProduct[] = L"Lumevia";
const wchar_t kGaPcKey[] = L"SOFTWARE\\Marlowgate\\Downloader2.5.0";
constexpr int kWindowWidth = 650;
constexpr int kPanelHeight = 200;
// The first install click of the process sends the start date and hour.
bool g_firstClickSent = false;

bool EndsWith(const std::wstring& s, const std::wstring& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string Narrow(const std::wstring& w) { return platform::Utf8FromWide(w); }

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

// A language text used as a printf format with one double. Only texts
// with exactly one floating conversion (and %% escapes) are used, so a
// translated text can never read arguments that are not there.
bool IsSafeDoubleFormat(const std::wstring& f) {
  int conversions = 0;
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] != L'%') continue;
    if (i + 1 < f.size() && f[i + 1] == L'%') {
      ++i;
      continue;
    }
    size_t j = i + 1;
    while (j < f.size() && (f[j] == L'.' || f[j] == L'-' || f[j] == L'+' || f[j] == L' ' || f[j] == L'0' ||
                            (f[j] >= L'1' && f[j] <= L'9')))
      ++j;
    if (j >= f.size() || (f[j] != L'f' && f[j] != L'F')) return false;
    ++conversions;
    i = j;
  }
  return conversions == 1;
}

std::wstring FormatDouble(const std::wstring& format, double value) {
  if (!IsSafeDoubleFormat(format)) return format;
  wchar_t buf[512];
  int n = std::swprintf(buf, 512, format.c_str(), value);
  return n < 0 ? format : std::wstring(buf);
}
}  // namespace

InstallUIMainWnd::InstallUIMainWnd() { RegisterStubControls(); }

InstallUIMainWnd::~InstallUIMainWnd() { anima_.reset(); }

std::wstring InstallUIMainWnd::GetWindowClassName() const {
  std::wstring slot = ProcessSlots::MainWindowClassName();
  return slot.empty() ? L"ZQ_UI_Frame" : slot;
}

// ---- Pure rules ------------------------------------------------------------

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

unsigned InstallUIMainWnd::InstallTimerPeriod(int64_t bytes) {
  if (bytes < 0) bytes = 0;
  int64_t period = bytes / 71680 / 10 * 4;
  // A tiny package would give 0, which no timer can run with.
  return period > 0 ? static_cast<unsigned>(std::min<int64_t>(period, 0x7FFFFFFF)) : 1;
}

void InstallUIMainWnd::CloseReasonFor(int mainPage, int innerPage, int progress, bool failVisible, bool started,
                                      std::string& reason, std::string& phase) {
  reason.clear();
  phase.clear();
  if (mainPage == 1) {
    if (progress < 80) reason = "close02", phase = "Downloading";
    else if (progress <= 90) reason = "close04", phase = "Md5Check";
    else reason = "close03", phase = "Installing";
  } else if (mainPage == 0 && innerPage == 0) {
    reason = "close01", phase = "BeforeDownload";
  } else if (mainPage == 0 && innerPage == 1) {
    if (failVisible) reason = "close05", phase = "Installing";
    else if (started) reason = "close07", phase = "Starting";
    else reason = "close06", phase = "Installing";
  }
}

void InstallUIMainWnd::DownloadSpan(bool toolkit, int subCounter, int subRecords, int& offset, int& span) {
  offset = 0;
  span = 80;
  if (!toolkit || subRecords < 1 || subRecords > 2) return;
  if (subCounter == 0) {
    span = 40;
  } else if (subCounter == 1) {
    offset = 40;
    span = subRecords == 1 ? 40 : 20;
  } else if (subCounter == 2 && subRecords == 2) {
    offset = 60;
    span = 20;
  }
}

int InstallUIMainWnd::LicenseHeight(int language, bool specialSite) {
  static const int kHeights[kLanguageCount] = {1370, 1320, 1095, 1440, 1485, 1410, 1445, 1295, 1195, 1345,
                                                1095, 1175, 1485, 1370, 1370, 1370, 1175, 1410, 1410, 1410};
  if (language == Lang_Chinese && specialSite) return 1900;
  if (language < 0 || language >= kLanguageCount) return 1765;
  return kHeights[language];
}

std::wstring InstallUIMainWnd::AdviceUrl(const std::wstring& url, const std::wstring& stubFileName, bool addTracking) {
  if (url.empty() || !addTracking) return url;
  size_t underscore = stubFileName.rfind(L'_');
  if (underscore == std::wstring::npos) return url;
  size_t dot = stubFileName.rfind(L'.');
  std::wstring tracking = (dot != std::wstring::npos && dot > underscore)
                              ? stubFileName.substr(underscore + 1, dot - underscore - 1)
                              : stubFileName.substr(underscore + 1);
  return url + L"?rnclid=" + tracking + L"&package=" + stubFileName;
}

// ---- Creation ----------------------------------------------------------------

void InstallUIMainWnd::FindControls() {
  mainTab_ = dynamic_cast<SkinUI::CTabLayoutUI*>(pm_.FindControl(L"main_tablayout"));
  pageTab_ = dynamic_cast<SkinUI::CTabLayoutUI*>(pm_.FindControl(L"page_layout"));
  setTab_ = dynamic_cast<SkinUI::CTabLayoutUI*>(pm_.FindControl(L"set_layout"));
  progress_ = dynamic_cast<SkinUI::CProgressUI*>(pm_.FindControl(L"install_progress"));
  languageCombo_ = dynamic_cast<SkinUI::CComboUI*>(pm_.FindControl(L"language_combox"));
  progressLabel_ = pm_.FindControl(L"install_label");
  pathEdit_ = pm_.FindControl(L"install_file_path_edit");
  installBtn_ = pm_.FindControl(L"install_btn");
  layoutOk_ = pm_.FindControl(L"layout_install_ok");
  layoutFail_ = pm_.FindControl(L"layout_install_fail");
}

void InstallUIMainWnd::InitWindow() {
  platform::Os& os = platform::os();
  startTick_ = os.TickCount();
  // The slide pictures the skin provides: 1.png, 2.png, ... until one is missing.
  SkinUI::Size size;
  animationFrames_ = 0;
  for (int i = 1; i < 100; ++i) {
    wchar_t name[40];
    std::swprintf(name, 40, L"skin\\anima\\%d.png", i);
    if (!SkinUI::backend::ImageSize(name, size)) break;
    animationFrames_ = i;
  }

  config_ = std::make_unique<CConfigure>();
  config_->LoadFromLabels(pm_);
  // The accent of the skin is the product's theme colour when it names one.
  if ((config_->theme_color & 0xFFFFFF) != 0x000001 && config_->theme_color != 0)
    SkinUI::CPaintManagerUI::SetAccentColor(config_->theme_color);
  FindControls();

  runTimeStamp_ = LocalTimeStamp();
  defaultInstallFolder_ = os.SpecialFolderPath(platform::SpecialFolder::ProgramFiles) +
                          platform::PathSeparator() + kProduct;
  if (pathEdit_) pathEdit_->SetText(defaultInstallFolder_);
  uint64_t freeBytes = 0;
  if (os.DiskFreeForUser(platform::DirectoryOf(defaultInstallFolder_), freeBytes))
    freeGb_ = static_cast<double>(freeBytes) / (1024.0 * 1024 * 1024);

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
  toolkit_ = config_->IsToolkit != 0;

  const bool excluded = IsNotSupport(false);
  bannerPeriod_ = 3000;
  int w = 0, h = 0;
  double scale = FuntionImpl::GetDisplayScale(w, h);
  LOG(INFO) << " Downloader version: " << FuntionImpl::GetFileVersionText(os.ModuleFileName())
            << ", 64Bit: " << (os.Is64BitSystem() ? "True" : "False") << ", proc_id=" << os.CurrentProcessId();
  LOG(INFO) << " Screen: " << w << "*" << h << ", " << scale;
  LOG(INFO) << " Request For Product Config -- [Downloader Id]: " << config_->Downloader_id
            << " [Site Id]: " << config_->Site_id << " [Language Id]: " << config_->Language_id;

  telemetryFacts_.version = os.WideToAnsi(config_->Software_version);
  telemetryFacts_.language = language_;
  CSingleUserLog::Instance().SetUserInfo(config_->Downloader_id, config_->Site_id, config_->Language_id,
                                         os.WideToAnsi(config_->Software_name),
                                         os.WideToAnsi(config_->Extra_download_url), toolkit_, downloadFolder_,
                                         config_->MainPid, &telemetryFacts_);

  ui::UiEvent("CrashRate", "Start", "");
  ui::UiFunnel("Keypoint", "null", 0, "CorePublicModule", "Start", "null");
  std::wstring gaPc;
  os.RegReadString(platform::RegRoot::LocalMachine, kGaPcKey, L"GA_PC", gaPc);
  if (gaPc.empty() && !excluded) {
    ui::UiEvent("PC", "SysOS", FuntionImpl::GetOsName() + (os.Is64BitSystem() ? " 64bit" : ""));
    ui::UiEvent("PC", "SysLanguage", GetUiLanguageName());
    char res[32];
    std::snprintf(res, sizeof res, "%d*%d", w, h);
    ui::UiEvent("PC", "SysScreenResolution", res);
    os.RegWriteString(platform::RegRoot::LocalMachine, kGaPcKey, L"GA_PC", L"1");
  }
  if (!excluded) {
    ui::UiEvent("Download", "1.Launch", "");
    ui::UiFunnel("CoreFuncEvent", "BeforeDownload", 0, "Download", "CoreFuncStart", "null");
    ui::UiFunnel("CoreFuncEvent", "BeforeDownload", 1, "Download", "Launch", "null");
    ui::UiFunnel("CoreFuncEvent", "BeforeDownload", 0, "Download", "CoreFuncEnd", "null");
  }

  SetUpLanguageCombo();
  // The start page shows with the settings panel closed.
  ResizeClient(kWindowWidth, fullHeight_ - kPanelHeight);
  if (!excluded) ui::UiEvent("Other", "ClickToShowTime", std::to_string(os.TickCount() - startTick_));
  if (FuntionImpl::IsAutoRun()) SetTimer(kTimerAutoInstall, 2000);
}

void InstallUIMainWnd::SetUpLanguageCombo() {
  std::vector<std::wstring> codes;
  if (languageCombo_) {
    for (int i = 0; i < languageCombo_->ItemCount(); ++i) codes.push_back(languageCombo_->ItemUserData(i));
    for (size_t index : ComboItemsToRemove(codes, config_->Language_str)) {
      languageCombo_->RemoveAt(index);
      codes.erase(codes.begin() + static_cast<long>(index));
    }
  }
  InitialLanguage choice = ChooseInitialLanguage(UserDefaultUiLanguage(), codes);
  if (languageCombo_ && choice.comboIndex >= 0) languageCombo_->SelectItem(choice.comboIndex, false);
  SetLanguage(choice.language);
}

// ---- Language ------------------------------------------------------------------

void InstallUIMainWnd::SetLanguage(int value) {
  language_ = NormalizeLanguage(value);
  telemetryFacts_.language = language_;
  LOG(INFO) << " Set language: " << LanguageCode(language_);
  // The combo shows the language in force when it offers it.
  if (languageCombo_) {
    const std::wstring code = platform::WideFromUtf8(LanguageCode(language_));
    for (int i = 0; i < languageCombo_->ItemCount(); ++i)
      if (languageCombo_->ItemUserData(i) == code) languageCombo_->SelectItem(i, false);
  }
  if (SkinUI::CControlUI* licence = pm_.FindControl(L"license_text_layout"))
    licence->SetFixedHeight(LicenseHeight(value, config_ && config_->IsSpecialSite()) + 170);
  ApplyInstallPage();
  RefreshSpaceTexts();
  if (SkinUI::CControlUI* bottom = pm_.FindControl(L"layout_bottom_set")) {
    static const int kRoomy[] = {Lang_English, Lang_Japanese, Lang_Chinese, Lang_Arabic, Lang_ChineseTrad,
                                 Lang_Korean, Lang_Swedish};
    bool roomy = std::find(std::begin(kRoomy), std::end(kRoomy), value) != std::end(kRoomy);
    bottom->SetInset(roomy ? SkinUI::Rect(0, 16, 0, 16) : SkinUI::Rect(0, 8, 0, 8));
  }
}

void InstallUIMainWnd::ApplyInstallPage() {
  SkinUI::CControlUI* licenceText = pm_.FindControl(L"license_text");
  if (SkinUI::CControlUI* container = pm_.FindControl(LicenseContainerName(language_)))
    if (licenceText) licenceText->SetText(container->GetText());
  auto tree = LoadLanguageTree(language_);
  if (!tree) return;
  auto page = GetLanguagePage(tree.get(), kInstallPage);
  for (auto it = page.rbegin(); it != page.rend(); ++it) {
    const std::wstring& key = it->first;
    const std::wstring& text = it->second;
    if (key == L"install_label") progressFormat_ = text;
    else if (key == L"space_need") spaceNeedText_ = text;
    else if (key == L"space_free") spaceFreeFormat_ = text;
    SkinUI::CControlUI* c = pm_.FindControl(key);
    if (!c) continue;
    if (key == L"extra_text" && !(config_ && config_->IsSpecialDownloader())) continue;
    c->SetText(text);
  }
}

void InstallUIMainWnd::RefreshSpaceTexts() {
  if (SkinUI::CControlUI* free = pm_.FindControl(L"space_free"))
    if (!spaceFreeFormat_.empty()) free->SetText(FormatDouble(spaceFreeFormat_, freeGb_));
  SkinUI::CControlUI* need = pm_.FindControl(L"space_need");
  SkinUI::CControlUI* size = pm_.FindControl(L"ProductSize");
  if (need && size && !spaceNeedText_.empty()) {
    // The text names the size itself ("%s") or is followed by it.
    std::wstring t = spaceNeedText_;
    size_t at = t.find(L"%s");
    if (at != std::wstring::npos) t.replace(at, 2, size->GetText());
    need->SetText(t);
  }
}

// ---- Notifications ---------------------------------------------------------------

void InstallUIMainWnd::Notify(SkinUI::TNotifyUI& msg) {
  if (msg.sType == L"link") {
    OnLink(msg);
    return;
  }
  WindowImplBase::Notify(msg);
}

void InstallUIMainWnd::OnClick(SkinUI::TNotifyUI& msg) {
  if (!msg.pSender) return;
  const std::wstring& name = msg.pSender->GetName();
  if (name == L"closebtn" || name == L"install_closebtn" || name == L"cancel_btn") RequestClose();
  else if (name == L"minbtn" || name == L"install_minbtn") SendMsg(SkinUI::kWmSysCommand, SkinUI::kScMinimize, 0);
  else if (name == L"install_btn") OnInstallClick();
  else if (name == L"finish_btn") Close(0);
  else if (name == L"browser_btn") PickFolder();
  else if (name == L"retry_btn") OnRetryClick();
  else if (name == L"start_app") OnStartClick();
  else if (name == L"install_setting") ToggleSettings();
}

void InstallUIMainWnd::OnSelectChanged(SkinUI::TNotifyUI& msg) {
  if (!msg.pSender) return;
  if (msg.pSender->GetName() == L"license_checkbox") {
    auto* box = dynamic_cast<SkinUI::COptionUI*>(msg.pSender);
    if (installBtn_ && box) installBtn_->SetEnabled(box->IsSelected());
    return;
  }
  auto* dot = dynamic_cast<SkinUI::COptionUI*>(msg.pSender);
  if (!dot || dot->GetGroup() != COptionExUI::kIndicatorGroup) return;
  if (!anima_ || anima_->IsBusy()) return;
  if (dot->IsSelected()) {
    KillTimer(kTimerBanner);
    if (SkinUI::CControlUI* parent = dot->GetParent()) anima_->SlideTo(parent->GetItemIndex(dot));
  } else {
    SetTimer(kTimerBanner, static_cast<unsigned>(bannerPeriod_));
  }
}

void InstallUIMainWnd::OnItemSelect(SkinUI::TNotifyUI& msg) {
  if (msg.pSender != languageCombo_ || !languageCombo_) return;
  EnumLanguage lang;
  if (LanguageFromComboText(languageCombo_->ItemText(languageCombo_->GetCurSel()), lang) ||
      LanguageFromCode(languageCombo_->ItemUserData(languageCombo_->GetCurSel()), lang))
    SetLanguage(lang);
}

void InstallUIMainWnd::OnLink(SkinUI::TNotifyUI& msg) {
  if (!msg.pSender || !config_) return;
  const std::wstring& name = msg.pSender->GetName();
  if (name == L"license_link") {
    std::string code = LanguageCode(language_);
    std::wstring url = msg.wParam == 0 ? config_->GetLinkPrivacy(code) : config_->GetLinkLicense(code);
    if (msg.wParam == 0 && url.empty()) url = config_->PrivacyUrl;
    if (msg.wParam == 1 && url.empty()) url = config_->LicenseUrl;
    if (!url.empty()) SkinUI::ShellOpen(url);
  } else if (name == L"text_fail_advice") {
    ui::UiEvent("Download", "8-2.ClickInstallLink", retry_ ? "Retry" : "First");
    std::wstring url = currentDownloadUrl;
    if (url.empty()) {
      // 1 or 3: the first service address; 2: the first CDN address.
      bool wantCdn = config_->Downloader_type == 2;
      for (const std::wstring& m : config_->MirrorUrls) {
        if (ConfigLabels::IsCdnUrl(m) == wantCdn) {
          url = m;
          break;
        }
      }
    }
    if (url.empty()) return;
    url = AdviceUrl(url, platform::FileNameOf(platform::os().ModuleFileName()), addTracking_);
    LOG(INFO) << " Open Advice Url: " << Narrow(url);
    SkinUI::ShellOpen(url);
  }
}

// ---- Clicks -----------------------------------------------------------------------

void InstallUIMainWnd::OnInstallClick() {
  LOG(INFO) << " Click install button";
  ui::UiEvent("Download", "2.DownStart", "");
  ui::UiFunnel("CoreFuncEvent", "Downloading", 0, "Download", "CoreFuncStart", "null");
  ui::UiFunnel("CoreFuncEvent", "Downloading", 1, "Download", "DownStart", "null");
  if (!g_firstClickSent) {
    g_firstClickSent = true;
    std::string t = FuntionImpl::GetChinaTimeText();
    ui::UiEvent("Download", "StartTimeDate", t.substr(0, 10));
    ui::UiEvent("Download", "StartTimeHour", t.size() > 11 ? t.substr(11, 2) : "");
  }
  ui::UiEvent("Other", "SetLanguage", LanguageTelemetryName(language_));
  if (pathEdit_ && pathEdit_->GetText() != defaultInstallFolder_) ui::UiEvent("Other", "SetPath", "");
  StartInstall();
}

int InstallUIMainWnd::StartInstall() {
  fullHeight_ = 560;
  ResizeClient(kWindowWidth, fullHeight_ - kPanelHeight);
  CenterWindow();
  if (progressLabel_) progressLabel_->SetText(FormatDouble(progressFormat_, 0));
  if (layoutOk_) layoutOk_->SetVisible(true);
  if (layoutFail_) layoutFail_->SetVisible(false);
  // The running page; its result view waits behind it.
  if (mainTab_) mainTab_->SelectItem(1);
  if (pageTab_) pageTab_->SelectItem(1);
  settingsOpen_ = false;
  LOG(INFO) << " Install worker not available in this build: the window stops at the running page";
  if (!anima_) {
    anima_ = std::make_unique<CAnimaEx>(&pm_, pm_.FindControl(L"hor_banner"), pm_.FindControl(L"hor_option"),
                                        animationFrames_, language_, config_.get());
    anima_->Init();
  }
  SetTimer(kTimerBanner, static_cast<unsigned>(bannerPeriod_));
  return 0;
}

void InstallUIMainWnd::OnRetryClick() {
  LOG(INFO) << " User click try again button to retry";
  ui::UiEvent("Download", "8-1.ClickTryAgain", retry_ ? "Retry" : "First");
  ui::UiFunnel("CoreFuncEvent", "Downloading", 0, "Download", "CoreFuncStart", "null");
  retry_ = true;
  SetProgress(0);
  StartInstall();
}

void InstallUIMainWnd::OnStartClick() {
  if (!config_) return;
  if (EndsWith(config_->Extra_download_url, L".exe")) {
    ui::UiEvent("Download", "7.ProgramLaunch", "", config_->Gif_duration == 0);
    ui::UiFunnel("CoreFuncEvent", "Starting", 0, "Download", "CoreFuncStart", "null");
    ui::UiFunnel("CoreFuncEvent", "Starting", 1, "Download", "ProgramLaunch", "null");
    started = true;
    LOG(INFO) << " Program launch is not available in this build";
  } else {
    wchar_t params[1024];
    std::swprintf(params, 1024, L"/select, %ls", packagePath.c_str());
    SkinUI::ShellOpen(L"explorer.exe", params);
  }
}

void InstallUIMainWnd::PickFolder() {
  std::wstring folder;
  if (!SkinUI::backend::PickFolder(GetHWND(), folder)) return;
  uint64_t freeBytes = 0;
  if (platform::os().DiskFreeForUser(folder, freeBytes)) freeGb_ = static_cast<double>(freeBytes) / (1024.0 * 1024 * 1024);
  RefreshSpaceTexts();
  if (folder.find(kProduct) == std::wstring::npos) {
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    folder += kProduct;
  }
  if (pathEdit_) pathEdit_->SetText(folder);
}

void InstallUIMainWnd::ToggleSettings() {
  const bool pageOne = setTab_ && setTab_->GetCurSel() == 1;
  if (!settingsOpen_) {
    if (setTab_) setTab_->SelectItem(1);
    ResizeClient(kWindowWidth, fullHeight_);
    settingsOpen_ = true;
  } else if (pageOne) {
    ResizeClient(kWindowWidth, fullHeight_ - kPanelHeight);
    settingsOpen_ = false;
  } else {
    if (setTab_) setTab_->SelectItem(1);
    ResizeClient(kWindowWidth, fullHeight_);
  }
  SetAccentState();
}

void InstallUIMainWnd::SetAccentState() {
  SkinUI::backend::SetAccentState(GetHWND(), setTab_ && setTab_->GetCurSel() == 1 ? 3 : 5);
}

// ---- Progress and results ------------------------------------------------------------

void InstallUIMainWnd::SetProgress(int percent) {
  if (!progress_ || !progressLabel_) return;
  progress_->SetValue(percent);
  progressLabel_->SetText(FormatDouble(progressFormat_, static_cast<double>(percent)));
}

int InstallUIMainWnd::Progress() const { return progress_ ? progress_->GetValue() : 0; }

void InstallUIMainWnd::OnDownloadProgress(int64_t done, int64_t total) {
  int offset = 0, span = 80;
  DownloadSpan(toolkit_, subProgramCounter, subProgramRecords, offset, span);
  if (totalBytes_ == 0 && subProgramCounter == 0 && total > 0) {
    totalBytes_ = total;
    char mb[32];
    std::snprintf(mb, sizeof mb, "%.2fMB", static_cast<double>(total) / 1048576.0);
    ui::UiEvent("Other", "PackageSize", mb);
  }
  double pct = total > 0 ? static_cast<double>(done) / static_cast<double>(total) * span + offset : offset;
  int value = pct < 0 ? 0 : static_cast<int>(pct);
  PostMsg(WM_DOWN_PROGRESS, static_cast<uintptr_t>(value), 0);
}

void InstallUIMainWnd::ShowResult(bool failure) {
  if (failure) {
    if (layoutOk_) layoutOk_->SetVisible(false);
    if (layoutFail_) layoutFail_->SetVisible(true);
    if (FuntionImpl::IsAutoRun()) SetTimer(kTimerAutoRetry, 1000);
  }
  KillTimer(kTimerBanner);
  if (mainTab_) mainTab_->SelectItem(0);
  closeMode_ = 1;
  // The start page is its own height again, settings panel closed.
  ResizeClient(kWindowWidth, fullHeight_ - kPanelHeight);
}

bool InstallUIMainWnd::OnCustomMessage(unsigned msg, uintptr_t wParam) {
  switch (msg) {
    case WM_CLEAR_APP_DATA: {
      // The partial download and its task file go.
      if (!packagePath.empty()) {
        platform::os().RemoveFile(packagePath);
        platform::os().RemoveFile(packagePath + L".xml");
      }
      return true;
    }
    case WM_DOWN_FAIL: {
      EnumMsgType type = wParam == 9 ? MsgInternetFail : (wParam == 10 || wParam == 11) ? MsgInternetTimeout : MsgUrlFail;
      ShowMessageBox(type, true);
      ui::UiEvent("Download", "8.DownFail", retry_ ? "Retry" : "First");
      ShowResult(true);
      KillTimer(kTimerAnimation);
      return true;
    }
    case WM_APP_DOWN_FINISH:
      SetProgress(100);
      if (config_) WriteInstallLanguage(config_->Downloader_id, config_->Software_name, language_);
      ShowResult(false);
      return true;
    case WM_MD5_CHECK_START:
      SetProgress(80);
      SetTimer(kTimerVerify, 2000);
      return true;
    case WM_PROGRAM_INSTALL_START: {
      KillTimer(kTimerVerify);
      SetProgress(90);
      int64_t bytes = std::max<int64_t>(0, FuntionImpl::GetFileSize64(packagePath));
      for (const std::wstring& f : subProgramFiles) bytes += std::max<int64_t>(0, FuntionImpl::GetFileSize64(f));
      SetTimer(kTimerInstalling, InstallTimerPeriod(bytes));
      return true;
    }
    case WM_PROGRAM_INSTALL_TIMEOUT:
      KillTimer(kTimerAnimation);
      if (layoutOk_) layoutOk_->SetVisible(false);
      if (layoutFail_) layoutFail_->SetVisible(true);
      ShowMessageBox(MsgInstallRunTimeOut, true);
      ShowResult(true);
      return true;
    case WM_PROGRAM_INSTALL_FINISH:
      ShowResult(false);
      if (SkinUI::CControlUI* start = pm_.FindControl(L"start_app")) start->SetVisible(true);
      if (SkinUI::CControlUI* hint = pm_.FindControl(L"text_startshortcut")) hint->SetVisible(false);
      return true;
    case WM_CHECK_FAIL:
      ShowMessageBox(MsgMd5Fail, true);
      ShowResult(true);
      return true;
    case WM_NO_ENOUGH_SPACE:
      ShowResult(true);
      KillTimer(kTimerAnimation);
      if (anima_) anima_->UpdateBanners();
      return true;
    case WM_DOWN_PROGRESS:
      // Progress never goes back.
      if (progress_ && progress_->GetValue() < static_cast<int>(wParam)) SetProgress(static_cast<int>(wParam));
      return true;
    case WM_AUTO_START_APP:
      ClickControl(L"start_app");
      return true;
    case WM_BANNER_READY:
      if (anima_) anima_->UpdateBanners();
      return true;
    default:
      return false;
  }
}

void InstallUIMainWnd::ClickControl(const wchar_t* name) {
  SkinUI::TNotifyUI click;
  click.sType = L"click";
  click.pSender = pm_.FindControl(name);
  if (click.pSender) Notify(click);
}

void InstallUIMainWnd::OnTimer(unsigned id) {
  const int value = Progress();
  switch (id) {
    case kTimerPreparing:
      if (value > 4) KillTimer(id);
      else SetProgress(value + 1);
      break;
    case kTimerBanner:
      if (anima_) anima_->Next();
      break;
    case kTimerVerify:
      if (installPhase == 1 || value + 1 > 90) KillTimer(id);
      else SetProgress(value + 1);
      break;
    case kTimerInstalling:
      if (installerFinished || value + 1 >= 100) KillTimer(id);
      else SetProgress(value + 1);
      break;
    case kTimerAutoInstall:
      KillTimer(id);
      ClickControl(L"install_btn");
      break;
    case kTimerAutoRetry:
      KillTimer(id);
      ClickControl(L"retry_btn");
      break;
    default:
      break;
  }
}

// ---- Closing -----------------------------------------------------------------------

int InstallUIMainWnd::ShowMessageBox(EnumMsgType type, bool withOwner) {
  LOG(INFO) << " ShowMsgBox: " << static_cast<int>(type);
  MessageBoxWnd box(type, language_);
  return box.ShowModal(withOwner ? GetHWND() : 0);
}

void InstallUIMainWnd::RequestClose() {
  if (closeMode_ == 1) {
    ShowWindow(false, false);
    Close(0);
    return;
  }
  int answer = ShowMessageBox(static_cast<EnumMsgType>(closeMode_), true);
  if (answer == 2 && closeMode_ == 2) Close(0);
}

void InstallUIMainWnd::CloseReason(std::string& reason, std::string& phase) const {
  CloseReasonFor(mainTab_ ? mainTab_->GetCurSel() : 0, pageTab_ ? pageTab_->GetCurSel() : 0, Progress(),
                 layoutFail_ && layoutFail_->IsVisible(), started, reason, phase);
}

void InstallUIMainWnd::OnClose() {
  LOG(INFO) << "OnClose()...";
  std::string reason, phase;
  CloseReason(reason, phase);
  ui::UiEvent("CrashRate", "Close", reason);
  ui::UiFunnel("Keypoint", phase, 0, "CorePublicModule", "Close", "null");
  SkinUI::PostQuitMessage(0);
}

bool InstallUIMainWnd::IsNotSupport(bool) {
  if (FuntionImpl::IsSkipLimit()) return false;
  // The country of this machine is not known before the geolocation fetch
  // exists; until then nothing is refused.
  return false;
}

void InstallUIMainWnd::ShowMainWindow() {
  CenterWindow();
  ShowWindow(true, true);
}

intptr_t InstallUIMainWnd::HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  if (msg == SkinUI::kWmTimer) {
    if (pm_.HandleTimer(static_cast<unsigned>(wParam))) return 0;
    OnTimer(static_cast<unsigned>(wParam));
    return 0;
  }
  if ((msg >= WM_CLEAR_APP_DATA && msg <= WM_AUTO_START_APP) || msg == WM_BANNER_READY) {
    OnCustomMessage(msg, wParam);
    return 0;
  }
  if (msg == SkinUI::kWmClose) OnClose();
  return WindowImplBase::HandleMessage(msg, wParam, lParam);
}
