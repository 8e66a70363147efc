#include "Common/InstallUIMainWnd.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "Common/InstallPath.h"
#include "Common/ProcessSlots.h"
#include "telemetry/CSingleUserLog.h"
#include "FuntionImpl/RunOptions.h"
#include "FuntionImpl/SafeName.h"
#include "flow/InstallCommandLine.h"
#include "FuntionImpl/SystemInfo.h"
#include "http/Proxy.h"
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

namespace {
const wchar_t kGaPcKey[] = L"SOFTWARE\\Marlowgate\\Downloader2.5.0";

std::string Narrow(const std::wstring& w) { return platform::Utf8FromWide(w); }

// Local time as "%.4d%.2d%.2d%.2d%.2d%.2d%.3d".
std::wstring LocalTimeStamp() {
  int64_t ms = platform::os().UnixTimeMs();
  const std::tm tm = platform::LocalTime(static_cast<std::time_t>(ms / 1000));
  wchar_t buf[32];
  std::swprintf(buf, 32, L"%.4d%.2d%.2d%.2d%.2d%.2d%.3d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                tm.tm_min, tm.tm_sec, static_cast<int>(ms % 1000));
  return buf;
}

// Links come from the services: only web addresses reach the shell.
void OpenWebLink(const std::wstring& url) {
  if (url.empty()) return;
  if (!FuntionImpl::IsWebLink(url)) {
    LOG(INFO) << " Link refused: " << Narrow(url);
    return;
  }
  SkinUI::ShellOpen(url);
}
}  // namespace

InstallUIMainWnd::InstallUIMainWnd() { RegisterStubControls(); }

InstallUIMainWnd::~InstallUIMainWnd() {
  // Side-fetches and the worker still running post to nothing from now on.
  if (link_) link_->Detach();
  if (host_) host_->Detach();
  anima_.reset();
}

std::wstring InstallUIMainWnd::GetWindowClassName() const {
  std::wstring slot = ProcessSlots::MainWindowClassName();
  return slot.empty() ? L"ZQ_UI_Frame" : slot;
}

// ---- Creation ----------------------------------------------------------------

void InstallUIMainWnd::CountAnimationFrames() {
  // The slide pictures the skin provides: 1.png, 2.png, ... until one is missing.
  SkinUI::Size size;
  animationFrames_ = 0;
  for (int i = 1; i < 100; ++i) {
    wchar_t name[40];
    std::swprintf(name, 40, L"skin\\anima\\%d.png", i);
    if (!SkinUI::backend::ImageSize(name, size)) break;
    animationFrames_ = i;
  }
}

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

// The install folder in the edit box, the download folder and the log file.
void InstallUIMainWnd::SetUpFolders(const ProductConfig& cfg) {
  platform::Os& os = platform::os();
  runTimeStamp_ = LocalTimeStamp();
  defaultInstallFolder_ = InstallPath::DefaultInstallFolder(os.SpecialFolderPath(platform::SpecialFolder::ProgramFiles));
  if (pathEdit_) pathEdit_->SetText(defaultInstallFolder_);
  uint64_t freeBytes = 0;
  if (os.DiskFreeForUser(platform::DirectoryOf(defaultInstallFolder_), freeBytes))
    freeGb_ = InstallPath::BytesToGb(freeBytes);

  const std::wstring& extra = cfg.Extra_download_url;
  downloadFolder_ = InstallPath::DownloadFolder(os.SpecialFolderPath(platform::SpecialFolder::Temp),
                                                os.SpecialFolderPath(platform::SpecialFolder::Desktop), extra,
                                                cfg.Software_name);
  // A folder that cannot be made shows when the worker needs it.
  InstallPath::CreateFolder(downloadFolder_);
  installFolderName_ = cfg.Software_name;

  std::wstring version = cfg.Software_version.empty() ? L"1.0.0.0" : cfg.Software_version;
  logFilePath_ = platform::JoinPath(
      downloadFolder_, InstallPath::LogFileName(InstallText::PackageFileName(extra, version), runTimeStamp_));
  applog::ConfigureLog(os.WideToAnsi(logFilePath_));
}

void InstallUIMainWnd::InitWindow() {
  platform::Os& os = platform::os();
  startTick_ = os.TickCount();
  CountAnimationFrames();

  config_ = std::make_shared<CConfigure>();
  if (!clients_) clients_ = std::shared_ptr<http::IHttpClientFactory>(&http::DefaultClientFactory(), [](auto*) {});
  config_->SetClientFactory(*clients_);
  config_->LoadFromLabels(PaintManagerLabels(pm_));
  // The label pass's record: the side-fetches below may publish others.
  const std::shared_ptr<const ProductConfig> cfg = config_->Snapshot();
  // The accent of the skin is the product's theme colour when it names one.
  if ((cfg->theme_color & 0xFFFFFF) != 0x000001 && cfg->theme_color != 0)
    SkinUI::CPaintManagerUI::SetAccentColor(cfg->theme_color);
  FindControls();
  SetUpFolders(*cfg);
  toolkit_ = cfg->IsToolkit != 0;
  SetUpHost();

  const bool excluded = IsNotSupport(false);
  if (!excluded) {
    const std::shared_ptr<SideFetchContext> context = SideFetchContextNow();
    SideFetches::StartDetached(&InstallUIMainWnd::AsyncGetCbsInfoThreadFunc, context);
    SideFetches::StartDetached(&InstallUIMainWnd::GetSubProgramInfoThreadFunc, context);
    SideFetches::StartDetached(&InstallUIMainWnd::GetCbsPrivacy, context);
  }
  bannerPeriod_ = 3000;
  int w = 0, h = 0;
  double scale = FuntionImpl::GetDisplayScale(w, h);
  LOG(INFO) << " Downloader version: " << FuntionImpl::GetFileVersionText(os.ModuleFileName())
            << ", 64Bit: " << (os.Is64BitSystem() ? "True" : "False") << ", proc_id=" << os.CurrentProcessId();
  LOG(INFO) << " Screen: " << w << "*" << h << ", " << scale;
  LOG(INFO) << " Request For Product Config -- [Downloader Id]: " << cfg->Downloader_id
            << " [Site Id]: " << cfg->Site_id << " [Language Id]: " << cfg->Language_id;

  telemetryFacts_.version = os.WideToAnsi(cfg->Software_version);
  telemetryFacts_.language = language_;
  CSingleUserLog::Instance().SetUserInfo(cfg->Downloader_id, cfg->Site_id, cfg->Language_id,
                                         os.WideToAnsi(cfg->Software_name), os.WideToAnsi(cfg->Extra_download_url),
                                         toolkit_, downloadFolder_, cfg->MainPid, &telemetryFacts_);
  ReportStart(excluded, w, h);

  SetUpLanguageCombo();
  // The start page shows with the settings panel closed.
  ResizeClient(kWindowWidth, fullHeight_ - kPanelHeight);
  if (!excluded) telemetry_.Ready(os.TickCount() - startTick_);
  if (FuntionImpl::IsAutoRun()) SetTimer(kTimerAutoInstall, 2000);
}

void InstallUIMainWnd::ReportStart(bool excluded, int screenWidth, int screenHeight) {
  platform::Os& os = platform::os();
  telemetry_.Created();
  // The machine's facts go once per machine; the registry remembers it.
  const std::wstring gaPc = FuntionImpl::ReadRegString(platform::RegRoot::LocalMachine, kGaPcKey, L"GA_PC");
  if (gaPc.empty() && !excluded) {
    telemetry_.MachineFacts(FuntionImpl::GetOsName() + (os.Is64BitSystem() ? " 64bit" : ""), GetUiLanguageName(),
                            screenWidth, screenHeight);
    FuntionImpl::WriteRegString(platform::RegRoot::LocalMachine, kGaPcKey, L"GA_PC", L"1");
  }
  if (!excluded) telemetry_.Launched();
}

void InstallUIMainWnd::SetUpLanguageCombo() {
  std::vector<std::wstring> codes;
  if (languageCombo_) {
    for (int i = 0; i < languageCombo_->ItemCount(); ++i) codes.push_back(languageCombo_->ItemUserData(i));
    for (size_t index : ComboItemsToRemove(codes, config_->Snapshot()->Language_str)) {
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
  const std::shared_ptr<const ProductConfig> cfg = config_ ? config_->Snapshot() : nullptr;
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
    licence->SetFixedHeight(MainWndRules::LicenseHeight(value, cfg && cfg->IsSpecialSite()) + 170);
  ApplyInstallPage(cfg && cfg->IsSpecialDownloader());
  RefreshSpaceTexts();
  if (SkinUI::CControlUI* bottom = pm_.FindControl(L"layout_bottom_set")) {
    static const int kRoomy[] = {Lang_English, Lang_Japanese, Lang_Chinese, Lang_Arabic, Lang_ChineseTrad,
                                 Lang_Korean, Lang_Swedish};
    bool roomy = std::find(std::begin(kRoomy), std::end(kRoomy), value) != std::end(kRoomy);
    bottom->SetInset(roomy ? SkinUI::Rect(0, 16, 0, 16) : SkinUI::Rect(0, 8, 0, 8));
  }
}

void InstallUIMainWnd::ApplyInstallPage(bool specialDownloader) {
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
    if (key == L"extra_text" && !specialDownloader) continue;
    c->SetText(text);
  }
}

void InstallUIMainWnd::RefreshSpaceTexts() {
  if (SkinUI::CControlUI* free = pm_.FindControl(L"space_free"))
    if (!spaceFreeFormat_.empty()) free->SetText(InstallPath::FreeSpaceText(spaceFreeFormat_, freeGb_));
  SkinUI::CControlUI* need = pm_.FindControl(L"space_need");
  SkinUI::CControlUI* size = pm_.FindControl(L"ProductSize");
  if (need && size && !spaceNeedText_.empty()) need->SetText(InstallPath::SpaceNeedText(spaceNeedText_, size->GetText()));
}

// ---- Notifications ---------------------------------------------------------------

// Who handles what, by the sender's name. "finish_btn" and "cancel_btn" are
// not in today's layouts; a skin may bring them.
const InstallUIMainWnd::Route<InstallUIMainWnd::ClickHandler> InstallUIMainWnd::kClickRoutes[] = {
    {L"closebtn", &InstallUIMainWnd::RequestClose},
    {L"install_closebtn", &InstallUIMainWnd::RequestClose},
    {L"cancel_btn", &InstallUIMainWnd::RequestClose},
    {L"minbtn", &InstallUIMainWnd::Minimize},
    {L"install_minbtn", &InstallUIMainWnd::Minimize},
    {L"install_btn", &InstallUIMainWnd::OnInstallClick},
    {L"finish_btn", &InstallUIMainWnd::Finish},
    {L"browser_btn", &InstallUIMainWnd::PickFolder},
    {L"retry_btn", &InstallUIMainWnd::OnRetryClick},
    {L"start_app", &InstallUIMainWnd::OnStartClick},
    {L"install_setting", &InstallUIMainWnd::ToggleSettings},
};
// The banner dots are told apart by their group, not by name.
const InstallUIMainWnd::Route<InstallUIMainWnd::NotifyHandler> InstallUIMainWnd::kSelectRoutes[] = {
    {L"license_checkbox", &InstallUIMainWnd::OnLicenceCheck},
};
const InstallUIMainWnd::Route<InstallUIMainWnd::NotifyHandler> InstallUIMainWnd::kLinkRoutes[] = {
    {L"license_link", &InstallUIMainWnd::OnLicenceLink},
    {L"text_fail_advice", &InstallUIMainWnd::OnAdviceLink},
};

template <class Handler, size_t N>
Handler InstallUIMainWnd::FindRoute(const Route<Handler> (&table)[N], const SkinUI::CControlUI* sender) {
  if (!sender) return nullptr;
  const std::wstring& name = sender->GetName();
  for (const Route<Handler>& r : table)
    if (name == r.control) return r.handler;
  return nullptr;
}

std::vector<std::wstring> InstallUIMainWnd::RoutedControls(const std::wstring& kind) {
  std::vector<std::wstring> names;
  auto add = [&names](const auto& table) {
    for (const auto& r : table) names.push_back(r.control);
  };
  if (kind == L"click") add(kClickRoutes);
  else if (kind == L"selectchanged") add(kSelectRoutes);
  else if (kind == L"link") add(kLinkRoutes);
  return names;
}

void InstallUIMainWnd::Notify(SkinUI::TNotifyUI& msg) {
  if (msg.sType == L"link") {
    if (NotifyHandler h = FindRoute(kLinkRoutes, msg.pSender)) (this->*h)(msg);
    return;
  }
  WindowImplBase::Notify(msg);
}

void InstallUIMainWnd::OnClick(SkinUI::TNotifyUI& msg) {
  if (ClickHandler h = FindRoute(kClickRoutes, msg.pSender)) (this->*h)();
}

void InstallUIMainWnd::OnSelectChanged(SkinUI::TNotifyUI& msg) {
  if (NotifyHandler h = FindRoute(kSelectRoutes, msg.pSender)) (this->*h)(msg);
  else OnBannerDot(msg);
}

void InstallUIMainWnd::OnItemSelect(SkinUI::TNotifyUI& msg) {
  if (msg.pSender != languageCombo_ || !languageCombo_) return;
  EnumLanguage lang;
  if (LanguageFromComboText(languageCombo_->ItemText(languageCombo_->GetCurSel()), lang) ||
      LanguageFromCode(languageCombo_->ItemUserData(languageCombo_->GetCurSel()), lang))
    SetLanguage(lang);
}

void InstallUIMainWnd::OnLicenceCheck(SkinUI::TNotifyUI& msg) {
  auto* box = dynamic_cast<SkinUI::COptionUI*>(msg.pSender);
  if (installBtn_ && box) installBtn_->SetEnabled(box->IsSelected());
}

void InstallUIMainWnd::OnBannerDot(SkinUI::TNotifyUI& msg) {
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

void InstallUIMainWnd::OnLicenceLink(SkinUI::TNotifyUI& msg) {
  if (!config_) return;
  std::string code = LanguageCode(language_);
  std::wstring url = msg.wParam == 0 ? config_->GetLinkPrivacy(code) : config_->GetLinkLicense(code);
  if (msg.wParam == 0 && url.empty()) url = config_->Snapshot()->PrivacyUrl;
  if (msg.wParam == 1 && url.empty()) url = config_->Snapshot()->LicenseUrl;
  OpenWebLink(url);
}

void InstallUIMainWnd::OnAdviceLink(SkinUI::TNotifyUI&) {
  if (!config_) return;
  telemetry_.AdviceLinkClicked(state_->retry);
  std::wstring url = state_->CurrentDownloadUrl();
  if (url.empty()) {
    // 1 or 3: the first service address; 2: the first CDN address.
    const std::shared_ptr<const ProductConfig> cfg = config_->Snapshot();
    bool wantCdn = cfg->Downloader_type == 2;
    for (const std::wstring& m : cfg->MirrorUrls) {
      if (ConfigLabels::IsCdnUrl(m) == wantCdn) {
        url = m;
        break;
      }
    }
  }
  if (url.empty()) return;
  url = MainWndRules::AdviceUrl(url, platform::FileNameOf(platform::os().ModuleFileName()), addTracking_);
  LOG(INFO) << " Open Advice Url: " << Narrow(url);
  OpenWebLink(url);
}

// ---- Clicks -----------------------------------------------------------------------

void InstallUIMainWnd::OnInstallClick() {
  LOG(INFO) << " Click install button";
  telemetry_.InstallClicked(language_, pathEdit_ && pathEdit_->GetText() != defaultInstallFolder_);
  StartInstall();
}

void InstallUIMainWnd::OnRetryClick() {
  LOG(INFO) << " User click try again button to retry";
  telemetry_.RetryClicked(state_->retry);
  state_->retry = true;
  SetProgress(0);
  if (toolkit_ && state_->subPrograms.ReopenIfEmpty())
    SideFetches::StartDetached(&InstallUIMainWnd::GetSubProgramInfoThreadFunc, SideFetchContextNow());
  StartInstall();
}

void InstallUIMainWnd::PickFolder() {
  std::wstring folder;
  if (!SkinUI::backend::PickFolder(GetHWND(), folder)) return;
  uint64_t freeBytes = 0;
  if (platform::os().DiskFreeForUser(folder, freeBytes)) freeGb_ = InstallPath::BytesToGb(freeBytes);
  RefreshSpaceTexts();
  if (pathEdit_) pathEdit_->SetText(InstallPath::WithProductFolder(folder));
}

void InstallUIMainWnd::Minimize() { SendMsg(SkinUI::kWmSysCommand, SkinUI::kScMinimize, 0); }

void InstallUIMainWnd::Finish() { Close(0); }

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

MainWndRules::CloseReason InstallUIMainWnd::CurrentCloseReason() const {
  return MainWndRules::CloseReasonFor(mainTab_ ? mainTab_->GetCurSel() : 0, pageTab_ ? pageTab_->GetCurSel() : 0,
                                      Progress(), layoutFail_ && layoutFail_->IsVisible(), state_->started);
}

void InstallUIMainWnd::OnClose() {
  LOG(INFO) << "OnClose()...";
  const MainWndRules::CloseReason r = CurrentCloseReason();
  telemetry_.Closed(r.reason, r.phase);
  SkinUI::PostQuitMessage(0);
}

bool InstallUIMainWnd::IsNotSupport(bool force) { return SideFetches::IsNotSupport(*SideFetchContextNow(), force); }

int InstallUIMainWnd::GetIEProxyConfig() { return http::LogIEProxyConfig(); }

// ---- Side-fetches ----------------------------------------------------------------

std::shared_ptr<SideFetchContext> InstallUIMainWnd::SideFetchContextNow() {
  if (!link_) link_ = std::make_shared<WindowLink>(GetHWND());
  auto c = std::make_shared<SideFetchContext>();
  c->config = config_;
  c->state = state_;
  c->clients = clients_;
  c->window = link_;
  c->downloadFolder = downloadFolder_;
  c->installFolder = pathEdit_ ? pathEdit_->GetText() : defaultInstallFolder_;
  c->language = language_;
  c->toolkit = toolkit_;
  return c;
}

unsigned InstallUIMainWnd::GetCbsPrivacy(void* context) { return SideFetches::RunJob(context, &SideFetches::GetCbsPrivacy); }
unsigned InstallUIMainWnd::GetCbsBanner(void* context) { return SideFetches::RunJob(context, &SideFetches::GetCbsBanner); }
unsigned InstallUIMainWnd::GetSubProgramInfoThreadFunc(void* context) {
  return SideFetches::RunJob(context, &SideFetches::GetSubProgramInfo);
}
unsigned InstallUIMainWnd::AsyncGetCbsInfoThreadFunc(void* context) {
  return SideFetches::RunJob(context, &SideFetches::AsyncGetCbsInfo);
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
  if (OnFlowMessage(msg, wParam, lParam)) return 0;
  if ((msg >= WM_CLEAR_APP_DATA && msg <= WM_AUTO_START_APP) || msg == WM_BANNER_READY) {
    OnCustomMessage(msg, wParam);
    return 0;
  }
  if (msg == SkinUI::kWmClose) OnClose();
  return WindowImplBase::HandleMessage(msg, wParam, lParam);
}
