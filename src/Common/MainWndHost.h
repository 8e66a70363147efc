// The main window as the install flow sees it. The worker's thread may call
// it after the window is gone: everything it answers from is a copy kept
// here under a lock, and window calls stop once the window detaches.
#pragma once
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "CConfigure/CConfigure.h"
#include "flow/IInstallHost.h"

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

class MainWndHost final : public IInstallHost {
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

  void Post(unsigned message, uintptr_t wParam) override;
  void RequestTimer(unsigned id, unsigned periodMs) override;
  void RequestKillTimer(unsigned id) override;
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

  std::mutex lock_;
  platform::WindowHandle window_;
  UiCalls calls_;
  std::wstring folder_;
  std::map<std::wstring, std::wstring> texts_;
};
