// The main window's progress and results: the progress bar and its timers,
// the download callback, and the reactions to the install worker's reports.
#include "Common/InstallUIMainWnd.h"

#include <algorithm>

#include "FuntionImpl/RunOptions.h"
#include "FuntionImpl/SystemInfo.h"
#include "flow/MirrorChoice.h"
#include "platform/Platform.h"
#include "toolkit/ContainerUI.h"
#include "toolkit/ProgressUI.h"
#include "ui/CAnimaEx.h"

void InstallUIMainWnd::SetProgress(int percent) {
  if (!progress_ || !progressLabel_) return;
  progress_->SetValue(percent);
  progressLabel_->SetText(MainWndRules::FormatWithDouble(progressFormat_, static_cast<double>(percent)));
}

int InstallUIMainWnd::Progress() const { return progress_ ? progress_->GetValue() : 0; }

void InstallUIMainWnd::ShowFailureView() {
  if (layoutOk_) layoutOk_->SetVisible(false);
  if (layoutFail_) layoutFail_->SetVisible(true);
}

// Every result ends the attempt's timers, before its box: a bar still moving
// after a failure tells the user the installation goes on. A new attempt
// starts them again.
void InstallUIMainWnd::StopAttemptTimers(bool slidesToo) {
  for (unsigned timer : {kTimerPreparing, kTimerAnimation, kTimerVerify, kTimerInstalling}) KillTimer(timer);
  if (slidesToo) KillTimer(kTimerBanner);
}

void InstallUIMainWnd::ShowResult(bool failure) {
  if (failure) {
    ShowFailureView();
    if (FuntionImpl::IsAutoRun()) SetTimer(kTimerAutoRetry, 1000);
  }
  StopAttemptTimers();
  if (mainTab_) mainTab_->SelectItem(0);
  closeMode_ = 1;
  // The start page is its own height again, settings panel closed.
  ResizeClient(kWindowWidth, fullHeight_ - kPanelHeight);
}

void InstallUIMainWnd::OnInstallFailed(InstallResult result) {
  const InstallResultRow& row = InstallResults::Row(result);
  // The CDN's "too many requests" counts towards forbidding it.
  if (result == InstallResult::CdnFailing && config_) AddRequestTooMuchTimes(config_->Snapshot()->Software_name);
  if (row.hasBox) {
    // The bar stops before the box; the slides go on under it until the result view.
    StopAttemptTimers(false);
    // The installer's box comes over the failure view.
    if (row.box == MsgInstallRunTimeOut) ShowFailureView();
    ShowMessageBox(row.box, true);
  }
  if (row.shownAsDownloadFailure) telemetry_.DownloadFailed(state_->retry);
  ShowResult(true);
  if (result == InstallResult::NoSpace && anima_) anima_->UpdateBanners();
}

bool InstallUIMainWnd::OnCustomMessage(unsigned msg, uintptr_t wParam) {
  switch (msg) {
    case WM_CLEAR_APP_DATA: {
      // The partial download and its task file go.
      const std::wstring package = state_->PackagePath();
      if (!package.empty()) {
        platform::os().RemoveFile(package);
        platform::os().RemoveFile(package + L".xml");
      }
      return true;
    }
    case WM_INSTALL_FAILED:
      OnInstallFailed(static_cast<InstallResult>(wParam));
      return true;
    case WM_APP_DOWN_FINISH:
      SetProgress(100);
      if (config_) {
        const std::shared_ptr<const ProductConfig> cfg = config_->Snapshot();
        WriteInstallLanguage(cfg->Downloader_id, cfg->Software_name, language_);
      }
      ShowResult(false);
      return true;
    case WM_MD5_CHECK_START:
      SetProgress(80);
      SetTimer(kTimerVerify, 2000);
      return true;
    case WM_PROGRAM_INSTALL_START: {
      KillTimer(kTimerVerify);
      SetProgress(90);
      int64_t bytes = std::max<int64_t>(0, FuntionImpl::GetFileSize64(state_->PackagePath()));
      for (const SubProgramRecord& sub : state_->subPrograms.Records())
        bytes += std::max<int64_t>(0, FuntionImpl::GetFileSize64(sub.localPath));
      SetTimer(kTimerInstalling, MainWndRules::InstallTimerPeriod(bytes));
      return true;
    }
    case WM_PROGRAM_INSTALL_FINISH:
      ShowResult(false);
      if (SkinUI::CControlUI* start = pm_.FindControl(L"start_app")) start->SetVisible(true);
      if (SkinUI::CControlUI* hint = pm_.FindControl(L"text_startshortcut")) hint->SetVisible(false);
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

// The progress timers move the bar one step per tick until their phase ends.
void InstallUIMainWnd::StepProgress(unsigned timer, bool stop) {
  if (stop) KillTimer(timer);
  else SetProgress(Progress() + 1);
}

void InstallUIMainWnd::OnTimer(unsigned id) {
  const int value = Progress();
  switch (id) {
    case kTimerPreparing: StepProgress(id, value > 4); break;
    case kTimerVerify: StepProgress(id, state_->phase == 1 || value + 1 > 90); break;
    case kTimerInstalling: StepProgress(id, state_->installerFinished || value + 1 >= 100); break;
    case kTimerBanner:
      if (anima_) anima_->Next();
      break;
    case kTimerAutoInstall:  // AutoRun clicks once for the user
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
