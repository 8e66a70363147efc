// The main window's side of the install flow: the pre-install checks and
// the worker's start, the host the worker reaches the window through, and
// the start of the installed product.
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "Common/InstallPath.h"
#include "Common/InstallUIMainWnd.h"
#include "Common/ProcessSlots.h"
#include "FuntionImpl/ProcessLaunch.h"
#include "FuntionImpl/SystemInfo.h"
#include "flow/InstallWorker.h"
#include "flow/Launch.h"
#include "flow/PreInstallChecks.h"
#include "log/Events.h"
#include "log/Log.h"
#include "platform/Platform.h"
#include "platform/Utf.h"
#include "toolkit/ContainerUI.h"
#include "toolkit/Shell.h"
#include "ui/CAlientWnd.h"
#include "ui/CAnimaEx.h"

namespace {
std::string Narrow(const std::wstring& w) { return platform::Utf8FromWide(w); }
}  // namespace

int InstallUIMainWnd::StartInstall() {
  host_->SetFolderText(pathEdit_ ? pathEdit_->GetText() : defaultInstallFolder_);
  PreInstallChecks checks(config_, host_, installFolderName_);
  if (!checks.AppIsRunning() || !checks.CheckInstallPath()) return -1;
  checks.StopConflictingService();

  fullHeight_ = 560;
  ResizeClient(kWindowWidth, fullHeight_ - kPanelHeight);
  CenterWindow();
  if (progressLabel_) progressLabel_->SetText(MainWndRules::FormatWithDouble(progressFormat_, 0));
  if (layoutOk_) layoutOk_->SetVisible(true);
  if (layoutFail_) layoutFail_->SetVisible(false);
  // The running page; its result view waits behind it.
  if (mainTab_) mainTab_->SelectItem(1);
  if (pageTab_) pageTab_->SelectItem(1);
  settingsOpen_ = false;
  // A retried download is running again: closing asks first.
  closeMode_ = MsgCancel;
  SideFetches::StartDetached(&InstallUIMainWnd::GetCbsBanner, SideFetchContextNow());
  state_->workerStarted = true;

  auto setup = std::make_unique<InstallWorkerSetup>();
  setup->config = config_;
  setup->state = state_;
  setup->host = host_;
  setup->observer = host_;
  setup->clients = clients_;
  setup->labels = labels_;
  setup->installFolderName = installFolderName_;
  setup->stubPath = platform::os().ModuleFileName();
  setup->language = language_;
  setup->languageOverride = -1;
  setup->addTracking = addTracking_;
  setup->toolkit = toolkit_;
  setup->animationFrames = animationFrames_;
  if (workerRunner_) {
    workerRunner_(std::move(setup));
  } else {
    InstallWorker::Start(std::move(*setup));
  }

  if (!anima_) {
    anima_ = std::make_unique<CAnimaEx>(&pm_, pm_.FindControl(L"hor_banner"), pm_.FindControl(L"hor_option"),
                                        animationFrames_, language_, config_.get());
    anima_->Init();
  }
  SetTimer(kTimerBanner, static_cast<unsigned>(bannerPeriod_));
  return 0;
}

void InstallUIMainWnd::OnStartClick() {
  if (!config_) return;
  const std::shared_ptr<const ProductConfig> cfg = config_->Snapshot();
  if (InstallPath::IsInstallerPackage(cfg->Extra_download_url)) {
    // A product that will ask for a missing .NET first gets no waiting window.
    int waitingMs = cfg->Gif_duration;
    if (FuntionImpl::WillShowNetFrameCheck(PreInstallChecks(config_, host_, installFolderName_).GetInstallDir()))
      waitingMs = 0;
    telemetry_.ProgramLaunchClicked(waitingMs == 0);
    RunStartApp(*cfg, waitingMs);
  } else {
    const std::wstring explorer = platform::ExplorerPath();
    if (!explorer.empty()) SkinUI::ShellOpen(explorer, InstallPath::ExplorerSelectArgs(state_->PackagePath()));
  }
}

void InstallUIMainWnd::RunStartApp(const ProductConfig& cfg, int waitingMs) {
  state_->started = true;
  const std::wstring installDir = PreInstallChecks(config_, host_, installFolderName_).GetInstallDir();
  const StartPaths paths = GetStartExePaths(cfg, *state_, installDir, toolkit_);
  const std::wstring mainCommand = L"\"" + paths.mainPath + L"\"";
  const std::wstring subCommand = L"\"" + paths.subPath + L"\"";
  LOG(INFO) << " get main exe: " << Narrow(mainCommand) << " and sub exe: " << Narrow(subCommand);
  IEvents& ev = events();
  const std::string hold = std::to_string(waitingMs);
  // Without the waiting window the process ends right after the start.
  if (waitingMs == 0) ev.eventWait("Download", "9.StartWindow", hold);
  else ev.event("Download", "9.StartWindow", hold);
  ev.funnel("CoreFuncEvent", "Starting", 2, "Download", "StartWindow", "null", false);
  if (paths.subId != 0) {
    const std::string id = std::to_string(paths.subId);
    ev.event("Download", "9.StartWindowIsChToolKit", id);
    ev.funnel("CoreFuncEvent", "Starting", 3, "Download", "StartWindow_" + id, "null", true);
  }
  ev.funnel("CoreFuncEvent", "Starting", 0, "Download", "CoreFuncEnd", "null", false);
  if (waitingMs != 0) {
    ShowWindow(false, false);
    auto* waiting = new CAlientWnd(mainCommand, subCommand, cfg.Software_name, waitingMs, cfg.admin_flag != 0,
                                   language_, [](const std::wstring& main, const std::wstring& sub, bool admin) {
                                     return FuntionImpl::StartTargetMainExe(main, admin ? 1 : 0, sub);
                                   });
    waiting->ShowModal();
  } else if (FuntionImpl::StartTargetMainExe(mainCommand, cfg.admin_flag, subCommand) == -1) {
    ev.event("Other", "FlowError", "DL019");
    ShowMessageBox(MsgClickShortcutToLaunch, true);
  }
  Close(0);
}

// ---- The install flow's host ---------------------------------------------------------

void InstallUIMainWnd::SetUpHost() {
  MainWndHost::UiCalls calls;
  calls.showMessageBox = [this](EnumMsgType type) { ShowMessageBox(type, true); };
  calls.showRunningPage = [this] {
    if (mainTab_) mainTab_->SelectItem(1);
    if (pageTab_) pageTab_->SelectItem(1);
  };
  calls.releaseSingleInstance = [] { ProcessSlots::TakeInstanceMutex().reset(); };
  host_ = std::make_shared<MainWndHost>(GetHWND(), std::move(calls));
  // The skin's labels do not change; the worker reads copies.
  static const wchar_t* const kLabels[] = {
      L"Downloader_id", L"Software_id", L"Site_id", L"Language_id", L"Software_name", L"Software_version",
      L"Process_name", L"Install_url", L"Download_url", L"Extra_download_url", L"Banner_url", L"Licensefile_url",
      L"Md5", L"Filesize", L"Md5_extra", L"Cnet_download_url"};
  std::map<std::wstring, std::wstring> texts;
  auto copy = [&](const std::wstring& name) {
    if (SkinUI::CControlUI* c = pm_.FindControl(name)) texts[name] = c->GetText();
  };
  for (const wchar_t* name : kLabels) copy(name);
  for (int lang = 0; lang < kLanguageCount; ++lang) copy(ProductUrlKey(lang));
  labels_ = std::make_shared<LabelCopy>(texts);
  host_->SetControlTexts(std::move(texts));
  host_->SetFolderText(pathEdit_ ? pathEdit_->GetText() : defaultInstallFolder_);
}

bool InstallUIMainWnd::OnFlowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  switch (msg) {
    case WM_FLOW_TIMER:
      if (lParam) SetTimer(static_cast<unsigned>(wParam), static_cast<unsigned>(lParam));
      else KillTimer(static_cast<unsigned>(wParam));
      return true;
    case WM_FLOW_FOLDER:
      if (pathEdit_) pathEdit_->SetText(host_->FolderText());
      return true;
    case WM_FLOW_CLOSE:
      Close(static_cast<unsigned>(wParam));
      return true;
    default:
      return false;
  }
}

