// The installer's main window: the start page with its settings panel, the
// running page with the slide show and the progress bar, and the result
// views. It owns the configuration record, routes the user's clicks, turns
// the install worker's posted messages into page changes, message boxes and
// progress, and reports why the window closed.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CConfigure/CConfigure.h"
#include "flow/InstallWorker.h"
#include "flow/InstallState.h"
#include "Common/MainWndHost.h"
#include "Common/MainWndRules.h"
#include "Common/MainWndTelemetry.h"
#include "Common/SideFetches.h"
#include "language/Language.h"
#include "telemetry/RunFacts.h"
#include "toolkit/WindowImplBase.h"
#include "ui/EnumMsgType.h"

class CAnimaEx;
namespace SkinUI {
class CTabLayoutUI;
class CProgressUI;
class CComboUI;
}  // namespace SkinUI

class InstallUIMainWnd : public SkinUI::WindowImplBase {
 public:
  InstallUIMainWnd();
  ~InstallUIMainWnd() override;

  std::wstring GetWindowClassName() const override;
  std::string GetSkinFile() override { return "InstallMainWnd.xml"; }
  void InitWindow() override;
  void Notify(SkinUI::TNotifyUI& msg) override;
  void OnClick(SkinUI::TNotifyUI& msg) override;
  void OnSelectChanged(SkinUI::TNotifyUI& msg) override;
  void OnItemSelect(SkinUI::TNotifyUI& msg) override;
  intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

  CConfigure* Config() const { return config_.get(); }
  // Where the side-fetches and the configuration get their HTTP clients
  // (libcurl's by default); set before the window is created.
  void SetHttpFactory(std::shared_ptr<http::IHttpClientFactory> clients) { clients_ = std::move(clients); }
  // What a side-fetch started now works with.
  std::shared_ptr<SideFetchContext> SideFetchContextNow();
  // Thread entries of the side-fetches; the argument is what
  // SideFetches::StartDetached hands over.
  static unsigned GetCbsPrivacy(void* context);
  static unsigned GetCbsBanner(void* context);
  static unsigned GetSubProgramInfoThreadFunc(void* context);
  static unsigned AsyncGetCbsInfoThreadFunc(void* context);
  SkinUI::CPaintManagerUI& PaintManager() { return pm_; }
  // What the install worker shares with the window; it outlives the window
  // for a worker that still holds it.
  std::shared_ptr<InstallState> State() const { return state_; }

  // Whether this country may not run the stub.
  bool IsNotSupport(bool logIt);
  // Logs the user's proxy settings; 0 none, else 1 script, 2 servers, 3 bypass list.
  int GetIEProxyConfig();
  // Centres the window and shows it with the focus.
  void ShowMainWindow();
  int ShowMessageBox(EnumMsgType type, bool withOwner);

  void SetLanguage(int language);
  EnumLanguage Language() const { return language_; }
  void SetProgress(int percent);
  int Progress() const;
  int StartInstall();
  // Starts the installed product (directly, or through the waiting window
  // shown for waitingMs when not 0) and closes the window.
  void RunStartApp(const ProductConfig& cfg, int waitingMs);
  // Who runs the install worker (a counted detached thread unless a test
  // records the setups instead).
  using WorkerRunner = std::function<void(std::unique_ptr<InstallWorkerSetup>)>;
  void SetWorkerRunner(WorkerRunner runner) { workerRunner_ = std::move(runner); }
  // The host the install flow reaches the window through.
  std::shared_ptr<MainWndHost> Host() const { return host_; }
  void RequestClose();
  // The close reason and its funnel phase for the window's current state.
  MainWndRules::CloseReason CurrentCloseReason() const;

  // The controls whose notifications of one kind ("click", "selectchanged",
  // "link") the window routes by name.
  static std::vector<std::wstring> RoutedControls(const std::wstring& kind);

  const std::wstring& DownloadFolder() const { return downloadFolder_; }
  const std::wstring& LogFilePath() const { return logFilePath_; }
  const std::wstring& RunTimeStamp() const { return runTimeStamp_; }
  int CloseMode() const { return closeMode_; }
  bool SettingsOpen() const { return settingsOpen_; }
  int FullHeight() const { return fullHeight_; }
  int AnimationFrameCount() const { return animationFrames_; }
  CAnimaEx* Animation() const { return anima_.get(); }
  const std::wstring& ProgressFormat() const { return progressFormat_; }
  const std::wstring& SpaceNeedText() const { return spaceNeedText_; }
  const std::wstring& SpaceFreeFormat() const { return spaceFreeFormat_; }
  double FreeSpaceGb() const { return freeGb_; }
  void SetFreeSpaceGb(double gb) { freeGb_ = gb; }

 private:
  static constexpr int kWindowWidth = 650;
  static constexpr int kPanelHeight = 200;  // the settings panel's share of the full height

  // Notifications are routed by the sender's name through small tables.
  using ClickHandler = void (InstallUIMainWnd::*)();
  using NotifyHandler = void (InstallUIMainWnd::*)(SkinUI::TNotifyUI&);
  template <class Handler>
  struct Route {
    const wchar_t* control;
    Handler handler;
  };
  static const Route<ClickHandler> kClickRoutes[];
  static const Route<NotifyHandler> kSelectRoutes[];
  static const Route<NotifyHandler> kLinkRoutes[];
  template <class Handler, size_t N>
  static Handler FindRoute(const Route<Handler> (&table)[N], const SkinUI::CControlUI* sender);

  void CountAnimationFrames();
  void FindControls();
  void SetUpFolders(const ProductConfig& cfg);
  void ReportStart(bool excluded, int screenWidth, int screenHeight);
  void SetUpLanguageCombo();
  // The install page's texts; extra_text only for the special downloaders.
  void ApplyInstallPage(bool specialDownloader);
  void RefreshSpaceTexts();
  // Click handlers.
  void OnInstallClick();
  void OnRetryClick();
  void OnStartClick();
  void PickFolder();
  void ToggleSettings();
  void Minimize();
  void Finish();
  // Selection and link handlers.
  void OnLicenceCheck(SkinUI::TNotifyUI& msg);
  void OnBannerDot(SkinUI::TNotifyUI& msg);
  void OnLicenceLink(SkinUI::TNotifyUI& msg);
  void OnAdviceLink(SkinUI::TNotifyUI& msg);

  void OnTimer(unsigned id);
  void SetUpHost();
  bool OnFlowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam);
  void StepProgress(unsigned timer, bool stop);
  bool OnCustomMessage(unsigned msg, uintptr_t wParam);
  // The box of the result's row, then the failure view.
  void OnInstallFailed(InstallResult result);
  void ShowResult(bool failure);
  // The progress timers, and with slidesToo the slide show.
  void StopAttemptTimers(bool slidesToo = true);
  void ShowFailureView();
  void ClickControl(const wchar_t* name);
  void OnClose();
  void SetAccentState();

  // Shared with the side-fetches, which may outlive the window.
  std::shared_ptr<CConfigure> config_;
  std::shared_ptr<http::IHttpClientFactory> clients_;
  std::shared_ptr<WindowLink> link_;
  std::unique_ptr<CAnimaEx> anima_;
  std::shared_ptr<InstallState> state_ = std::make_shared<InstallState>();
  std::shared_ptr<MainWndHost> host_;
  std::shared_ptr<const ILabelSource> labels_;
  WorkerRunner workerRunner_;
  MainWndTelemetry telemetry_;
  EnumLanguage language_ = Lang_English;
  // What the telemetry reads from its own threads: copies, never controls.
  class TelemetryFacts : public telemetry::IMainWindowFacts {
   public:
    std::string ProductVersion() const override { return version; }
    std::string LanguageCode() const override {
      return ::LanguageCode(static_cast<EnumLanguage>(language.load()));
    }
    std::string version;  // set once, before the queue can read it
    std::atomic<int> language{Lang_English};
  };
  TelemetryFacts telemetryFacts_;
  std::wstring defaultInstallFolder_;
  std::wstring downloadFolder_;
  std::wstring installFolderName_;
  std::wstring logFilePath_;
  std::wstring runTimeStamp_;
  std::wstring progressFormat_ = L"%0.f%%";
  std::wstring spaceNeedText_;
  std::wstring spaceFreeFormat_;
  double freeGb_ = 0;
  int closeMode_ = 2;
  int fullHeight_ = 571;
  int bannerPeriod_ = 3000;
  int animationFrames_ = 0;
  bool settingsOpen_ = false;
  bool addTracking_ = true;
  bool toolkit_ = false;
  uint64_t startTick_ = 0;

  SkinUI::CTabLayoutUI* mainTab_ = nullptr;
  SkinUI::CTabLayoutUI* pageTab_ = nullptr;
  SkinUI::CTabLayoutUI* setTab_ = nullptr;
  SkinUI::CProgressUI* progress_ = nullptr;
  SkinUI::CComboUI* languageCombo_ = nullptr;
  SkinUI::CControlUI* progressLabel_ = nullptr;
  SkinUI::CControlUI* pathEdit_ = nullptr;
  SkinUI::CControlUI* installBtn_ = nullptr;
  SkinUI::CControlUI* layoutOk_ = nullptr;
  SkinUI::CControlUI* layoutFail_ = nullptr;
};
