// The main window as the install flow sees it. The worker's thread may call
// it after the window is gone: everything it answers from is a copy kept
// here under a lock, and window calls stop once the window detaches. The
// worker's reports become the window's messages and timer requests, which
// the window handles on its own thread.
#pragma once
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "CConfigure/CConfigure.h"
#include "flow/IInstallHost.h"
#include "flow/IInstallObserver.h"

// The window's messages: the worker's reports as the host posts them, and
// what the boxes and the side-fetches post.
enum : unsigned {
  WM_CLEAR_APP_DATA = WM_CLEAR_APP_DATA_MSG,  // a failure box: the partial download goes
  WM_INSTALL_FAILED = 0x0400 + 1920,          // wParam the InstallResult
  WM_APP_DOWN_FINISH = 0x0400 + 1921,
  WM_MD5_CHECK_START = 0x0400 + 1922,
  WM_PROGRAM_INSTALL_START = 0x0400 + 1923,
  WM_PROGRAM_INSTALL_FINISH = 0x0400 + 1925,
  WM_DOWN_PROGRESS = 0x0400 + 1928,           // wParam the percentage
  WM_AUTO_START_APP = 0x0400 + 1929,
  WM_BANNER_READY = 0x0400 + 1558,
};

// The window's timers.
enum : unsigned {
  kTimerBanner = 2000,        // next slide
  kTimerPreparing = 2001,     // progress while the download information is fetched
  kTimerAnimation = 1000,     // runs while the worker says the slides move
  kTimerVerify = 1920,        // progress during verification
  kTimerInstalling = 1921,    // progress during installation
  kTimerAutoInstall = 666,    // AutoRun: click "install_btn"
  kTimerAutoRetry = 888,      // AutoRun: click "retry_btn"
};

// Private messages the host posts to the window's own thread.
enum : unsigned {
  WM_FLOW_TIMER = 0x0400 + 1930,       // wParam timer id, lParam period (0 = stop)
  WM_FLOW_FOLDER = 0x0400 + 1931,      // the drive switch wrote a new folder
  WM_FLOW_CLOSE = 0x0400 + 1932,       // wParam the close result
};

// Label texts copied from the skin while the window's thread could read
// them, for threads that cannot.
class LabelCopy final : public ILabelSource {
 public:
  explicit LabelCopy(std::map<std::wstring, std::wstring> texts) : texts_(std::move(texts)) {}
  bool LabelText(const std::wstring& name, std::wstring& text) const override {
    auto it = texts_.find(name);
    if (it == texts_.end()) return false;
    text = it->second;
    return true;
  }

 private:
  std::map<std::wstring, std::wstring> texts_;
};

class MainWndHost final : public IInstallHost, public IInstallObserver {
 public:
  // What the host does on the window's own thread.
  struct UiCalls {
    std::function<void(EnumMsgType)> showMessageBox;
    std::function<void()> showRunningPage;
    std::function<void()> releaseSingleInstance;
  };

  MainWndHost(platform::WindowHandle window, UiCalls calls) : window_(window), calls_(std::move(calls)) {}

  // The window goes: later calls post nothing and answer from the copies.
  void Detach();
  // The window's thread keeps the copies current.
  void SetFolderText(const std::wstring& text);
  void SetControlTexts(std::map<std::wstring, std::wstring> texts);
  // The folder the drive switch asked for, for the window's thread to show.
  std::wstring FolderText();

  void OnPreparing(bool asking) override;
  void OnSlides(bool run) override;
  void OnDownloading(int percent) override;
  void OnVerifying() override;
  void OnInstalling() override;
  void OnFinished(Finish kind) override;
  void OnStartRequested() override;
  void OnFailed(InstallResult result) override;

  std::wstring InstallFolderText() override { return FolderText(); }
  void SetInstallFolderText(const std::wstring& text) override;
  std::wstring ControlText(const std::wstring& name) override;
  platform::WindowHandle Window() override;
  void ReleaseSingleInstance() override;
  void CloseWindow(int result) override;
  void ShowMessageBox(EnumMsgType type) override;
  void ShowRunningPage() override;

 private:
  bool PostRaw(unsigned message, uintptr_t wParam, intptr_t lParam);
  void Post(unsigned message, uintptr_t wParam = 0) { PostRaw(message, wParam, 0); }
  // The window's own thread starts (periodMs > 0) or stops one of its timers.
  void RequestTimer(unsigned id, unsigned periodMs);

  std::mutex lock_;
  platform::WindowHandle window_;
  UiCalls calls_;
  std::wstring folder_;
  std::map<std::wstring, std::wstring> texts_;
};
