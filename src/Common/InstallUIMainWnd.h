// The installer's main window: the start page with its settings panel, the
// running page with the slide show and the progress bar, and the result
// views. It owns the configuration record, routes the user's clicks, turns
// the install worker's posted messages into page changes, message boxes and
// progress, and reports why the window closed.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "CConfigure/CConfigure.h"
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

// Messages from the install worker (and the window's own callbacks).
enum : unsigned {
  WM_CLEAR_APP_DATA = 0x0400 + 1919,
  WM_DOWN_FAIL = 0x0400 + 1920,
  WM_APP_DOWN_FINISH = 0x0400 + 1921,
  WM_MD5_CHECK_START = 0x0400 + 1922,
  WM_PROGRAM_INSTALL_START = 0x0400 + 1923,
  WM_PROGRAM_INSTALL_TIMEOUT = 0x0400 + 1924,
  WM_PROGRAM_INSTALL_FINISH = 0x0400 + 1925,
  WM_CHECK_FAIL = 0x0400 + 1926,
  WM_NO_ENOUGH_SPACE = 0x0400 + 1927,
  WM_DOWN_PROGRESS = 0x0400 + 1928,
  WM_AUTO_START_APP = 0x0400 + 1929,
  WM_BANNER_READY = 0x0400 + 1558,
};

// The window's timers.
enum : unsigned {
  kTimerBanner = 2000,        // next slide
  kTimerPreparing = 2001,     // progress while the download information is fetched
  kTimerAnimation = 1000,     // kept running by the worker while slides show
  kTimerVerify = 1920,        // progress during verification
  kTimerInstalling = 1921,    // progress during installation
  kTimerAutoInstall = 666,    // AutoRun: click "install_btn"
  kTimerAutoRetry = 888,      // AutoRun: click "retry_btn"
};

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
  SkinUI::CPaintManagerUI& PaintManager() { return pm_; }

  // Whether this country may not run the stub.
  bool IsNotSupport(bool logIt);
  // Centres the window and shows it with the focus.
  void ShowMainWindow();
  int ShowMessageBox(EnumMsgType type, bool withOwner);

  void SetLanguage(int language);
  EnumLanguage Language() const { return language_; }
  void SetProgress(int percent);
  int Progress() const;
  // Download callback of the supervisor (any thread): posts WM_DOWN_PROGRESS.
  void OnDownloadProgress(int64_t done, int64_t total);
  int StartInstall();
  void RequestClose();
  // The close reason and its funnel phase for the window's current state.
  void CloseReason(std::string& reason, std::string& phase) const;

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

  // Flags the install worker writes (one writer each).
  volatile int installPhase = 0;
  volatile bool installerFinished = false;
  volatile bool started = false;
  int subProgramCounter = 0;
  int subProgramRecords = 0;
  std::wstring currentDownloadUrl;
  std::wstring packagePath;            // the package file of this run
  std::vector<std::wstring> subProgramFiles;

  // Rules kept apart so they can be checked alone.
  static std::wstring ProductFolderName(const std::wstring& extraDownloadUrl, const std::wstring& softwareName);
  static std::wstring PackageFileName(const std::wstring& extraDownloadUrl, const std::wstring& softwareVersion);
  static std::wstring LogFileName(const std::wstring& packageFileName, const std::wstring& timeStamp);
  // Timer 1921's period for the bytes to install: S / 71680 / 10 x 4 ms.
  static unsigned InstallTimerPeriod(int64_t bytes);
  // Close reason and phase from the two tab pages, the progress and the views.
  static void CloseReasonFor(int mainPage, int innerPage, int progress, bool failVisible, bool started,
                             std::string& reason, std::string& phase);
  // Offset and span of the download progress for the current file.
  static void DownloadSpan(bool toolkit, int subCounter, int subRecords, int& offset, int& span);
  // Licence text height for a language (without the 170 pixels of margin).
  static int LicenseHeight(int language, bool specialSite);
  // The advice link's address with the stub's tracking part appended.
  static std::wstring AdviceUrl(const std::wstring& url, const std::wstring& stubFileName, bool addTracking);

 private:
  void FindControls();
  void SetUpLanguageCombo();
  void ApplyInstallPage();
  void RefreshSpaceTexts();
  void ToggleSettings();
  void PickFolder();
  void OnInstallClick();
  void OnRetryClick();
  void OnStartClick();
  void OnLink(SkinUI::TNotifyUI& msg);
  void OnTimer(unsigned id);
  bool OnCustomMessage(unsigned msg, uintptr_t wParam);
  void ShowResult(bool failure);
  void ClickControl(const wchar_t* name);
  void OnClose();
  void SetAccentState();

  std::unique_ptr<CConfigure> config_;
  std::unique_ptr<CAnimaEx> anima_;
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
  bool retry_ = false;
  bool addTracking_ = true;
  bool toolkit_ = false;
  int64_t totalBytes_ = 0;
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
