#include "Common/MainWndHost.h"

#include "toolkit/Backend.h"

void MainWndHost::Detach() {
  std::lock_guard<std::mutex> l(lock_);
  window_ = 0;
  calls_ = UiCalls();
}

void MainWndHost::SetFolderText(const std::wstring& text) {
  std::lock_guard<std::mutex> l(lock_);
  folder_ = text;
}

void MainWndHost::SetControlTexts(std::map<std::wstring, std::wstring> texts) {
  std::lock_guard<std::mutex> l(lock_);
  texts_ = std::move(texts);
}

std::wstring MainWndHost::FolderText() {
  std::lock_guard<std::mutex> l(lock_);
  return folder_;
}

bool MainWndHost::PostRaw(unsigned message, uintptr_t wParam, intptr_t lParam) {
  std::lock_guard<std::mutex> l(lock_);
  return window_ && SkinUI::backend::PostToWindow(window_, message, wParam, lParam);
}

void MainWndHost::RequestTimer(unsigned id, unsigned periodMs) {
  PostRaw(WM_FLOW_TIMER, id, static_cast<intptr_t>(periodMs));
}

void MainWndHost::OnPreparing(bool asking) { RequestTimer(kTimerPreparing, asking ? 2000 : 0); }

void MainWndHost::OnSlides(bool run) { RequestTimer(kTimerAnimation, run ? 1000 : 0); }

void MainWndHost::OnDownloading(int percent) { Post(WM_DOWN_PROGRESS, static_cast<uintptr_t>(percent < 0 ? 0 : percent)); }

void MainWndHost::OnVerifying() { Post(WM_MD5_CHECK_START); }

void MainWndHost::OnInstalling() { Post(WM_PROGRAM_INSTALL_START); }

void MainWndHost::OnFinished(Finish kind) {
  Post(kind == Finish::Installed ? WM_PROGRAM_INSTALL_FINISH : WM_APP_DOWN_FINISH);
}

void MainWndHost::OnStartRequested() { Post(WM_AUTO_START_APP); }

void MainWndHost::OnFailed(InstallResult result) { Post(WM_INSTALL_FAILED, static_cast<uintptr_t>(result)); }

void MainWndHost::SetInstallFolderText(const std::wstring& text) {
  SetFolderText(text);
  PostRaw(WM_FLOW_FOLDER, 0, 0);
}

std::wstring MainWndHost::ControlText(const std::wstring& name) {
  std::lock_guard<std::mutex> l(lock_);
  auto it = texts_.find(name);
  return it == texts_.end() ? std::wstring() : it->second;
}

platform::WindowHandle MainWndHost::Window() {
  std::lock_guard<std::mutex> l(lock_);
  return window_;
}

void MainWndHost::ReleaseSingleInstance() {
  std::function<void()> release;
  {
    std::lock_guard<std::mutex> l(lock_);
    release = calls_.releaseSingleInstance;
  }
  if (release) release();
}

void MainWndHost::CloseWindow(int result) { PostRaw(WM_FLOW_CLOSE, static_cast<uintptr_t>(result), 0); }

void MainWndHost::ShowMessageBox(EnumMsgType type) {
  if (calls_.showMessageBox) calls_.showMessageBox(type);
}

void MainWndHost::ShowRunningPage() {
  if (calls_.showRunningPage) calls_.showRunningPage();
}
