// A top-level window of the toolkit. The backend (real Win32 windows, or a
// headless stand-in for tests) is chosen when the program is linked.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "toolkit/Messages.h"

namespace SkinUI {

class CWindowWnd {
 public:
  CWindowWnd();
  virtual ~CWindowWnd();
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  virtual std::wstring GetWindowClassName() const = 0;

  bool Create(uintptr_t parent, const std::wstring& title, uint32_t style, uint32_t exStyle, int x, int y, int cx,
              int cy);
  void ShowWindow(bool show = true, bool takeFocus = true);
  void CenterWindow();
  void Close(unsigned result = 0);  // posts WM_CLOSE
  // Not PostMessage/SendMessage: windows.h makes those names macros.
  bool PostMsg(unsigned msg, uintptr_t wParam = 0, intptr_t lParam = 0);
  intptr_t SendMsg(unsigned msg, uintptr_t wParam = 0, intptr_t lParam = 0);
  uintptr_t GetHWND() const;
  bool IsVisible() const;
  // Window timers; a tick arrives as WM_TIMER with the id as wParam.
  bool SetTimer(unsigned id, unsigned ms);
  void KillTimer(unsigned id);
  unsigned TimerPeriod(unsigned id) const;  // 0 when not running
  // Runs a modal loop until this window is gone (its owner disabled
  // meanwhile); answers the wParam of the first WM_CLOSE it saw.
  int ShowModal();
  // Outer size in physical pixels, keeping the top-left corner.
  void ResizeWindow(int width, int height);

  // Every message of the window arrives here; the default handling closes
  // on WM_CLOSE and ends with OnFinalMessage.
  virtual intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam);

 protected:
  intptr_t DefaultHandling(unsigned msg, uintptr_t wParam, intptr_t lParam);
  virtual void OnFinalMessage() {}
  // The first WM_CLOSE decides the modal result.
  void NoteCloseResult(uintptr_t wParam);
  int closeResult_ = 0;
  bool closeSeen_ = false;
  // Where ShowModal wants the result; the window may delete itself on close.
  int* modalResult_ = nullptr;

 public:
  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
  friend struct Impl;
};

// Handles the messages already waiting (timers excepted) without waiting
// for more; answers how many. For tests and modal helpers.
int PumpPendingMessages();
// Runs the thread's message loop until WM_QUIT; returns the quit code.
int MessageLoop();
void PostQuitMessage(int code);

}  // namespace SkinUI
