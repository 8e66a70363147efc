// Win32 backend: one registered class per window class name; the static
// window procedure forwards every message to its CWindowWnd.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <windows.h>

#include <map>
#include <utility>

#include "toolkit/PaintManager.h"
#include "toolkit/WindowWnd.h"

namespace SkinUI {

namespace win32 {
// Timer periods by window and id, so that the portable code can ask.
std::map<std::pair<HWND, unsigned>, unsigned>& Timers() {
  static std::map<std::pair<HWND, unsigned>, unsigned> t;
  return t;
}
void ForgetWindow(HWND hwnd);  // Win32Backend.cpp
void OnResized(HWND hwnd);     // Win32Backend.cpp
}  // namespace win32

struct CWindowWnd::Impl {
  CWindowWnd* owner = nullptr;
  HWND hwnd = nullptr;

  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    CWindowWnd* self = nullptr;
    if (msg == WM_NCCREATE) {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(l);
      self = static_cast<CWindowWnd*>(cs->lpCreateParams);
      self->impl_->hwnd = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<CWindowWnd*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (msg == WM_NCDESTROY && self) {
      LRESULT r = DefWindowProcW(hwnd, msg, w, l);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->impl_->hwnd = nullptr;
      win32::ForgetWindow(hwnd);
      self->OnFinalMessage();
      return r;
    }
    if (!self) return DefWindowProcW(hwnd, msg, w, l);
    if (msg == WM_MOUSEMOVE) {
      // Ask for WM_MOUSELEAVE so hover states end when the pointer leaves.
      TRACKMOUSEEVENT tme = {sizeof(tme), TME_LEAVE, hwnd, 0};
      TrackMouseEvent(&tme);
    }
    if (msg == WM_SIZE) win32::OnResized(hwnd);
    return static_cast<LRESULT>(self->HandleMessage(msg, static_cast<uintptr_t>(w), static_cast<intptr_t>(l)));
  }
};

CWindowWnd::CWindowWnd() : impl_(std::make_unique<Impl>()) { impl_->owner = this; }

CWindowWnd::~CWindowWnd() {
  if (impl_->hwnd) {
    SetWindowLongPtrW(impl_->hwnd, GWLP_USERDATA, 0);
    DestroyWindow(impl_->hwnd);
  }
}

bool CWindowWnd::Create(uintptr_t parent, const std::wstring& title, uint32_t style, uint32_t exStyle, int x, int y,
                        int cx, int cy) {
  static bool dpiAware = [] {
    // Layouts scale themselves; the system must not stretch the bitmap.
    return SetProcessDPIAware() != FALSE;
  }();
  (void)dpiAware;
  HINSTANCE inst = reinterpret_cast<HINSTANCE>(CPaintManagerUI::GetInstance());
  if (!inst) inst = GetModuleHandleW(nullptr);
  std::wstring cls = GetWindowClassName();
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExW(inst, cls.c_str(), &wc)) {
    wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = Impl::WndProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.lpszClassName = cls.c_str();
    if (!RegisterClassExW(&wc)) return false;
  }
  HWND hwnd = CreateWindowExW(exStyle, cls.c_str(), title.c_str(), style, x, y, cx, cy,
                              reinterpret_cast<HWND>(parent), nullptr, inst, this);
  return hwnd != nullptr;
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
  if (!impl_->hwnd) return;
  ::ShowWindow(impl_->hwnd, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
  if (show && takeFocus) ::SetFocus(impl_->hwnd);
}

void CWindowWnd::CenterWindow() {
  if (!impl_->hwnd) return;
  RECT rc, work;
  GetWindowRect(impl_->hwnd, &rc);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  int x = work.left + (work.right - work.left - w) / 2;
  int y = work.top + (work.bottom - work.top - h) / 2;
  SetWindowPos(impl_->hwnd, nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::Close(unsigned result) { PostMsg(WM_CLOSE, result, 0); }

bool CWindowWnd::PostMsg(unsigned msg, uintptr_t w, intptr_t l) {
  return impl_->hwnd && ::PostMessageW(impl_->hwnd, msg, static_cast<WPARAM>(w), static_cast<LPARAM>(l));
}

intptr_t CWindowWnd::SendMsg(unsigned msg, uintptr_t w, intptr_t l) {
  if (!impl_->hwnd) return 0;
  return static_cast<intptr_t>(::SendMessageW(impl_->hwnd, msg, static_cast<WPARAM>(w), static_cast<LPARAM>(l)));
}

uintptr_t CWindowWnd::GetHWND() const { return reinterpret_cast<uintptr_t>(impl_->hwnd); }
bool CWindowWnd::IsVisible() const { return impl_->hwnd && IsWindowVisible(impl_->hwnd); }

bool CWindowWnd::SetTimer(unsigned id, unsigned ms) {
  if (!impl_->hwnd || !::SetTimer(impl_->hwnd, id, ms, nullptr)) return false;
  win32::Timers()[{impl_->hwnd, id}] = ms;
  return true;
}

void CWindowWnd::KillTimer(unsigned id) {
  if (!impl_->hwnd) return;
  ::KillTimer(impl_->hwnd, id);
  win32::Timers().erase({impl_->hwnd, id});
}

unsigned CWindowWnd::TimerPeriod(unsigned id) const {
  auto it = win32::Timers().find({impl_->hwnd, id});
  return it == win32::Timers().end() ? 0 : it->second;
}

void CWindowWnd::ResizeWindow(int width, int height) {
  if (!impl_->hwnd) return;
  SetWindowPos(impl_->hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int CWindowWnd::ShowModal() {
  HWND h = impl_->hwnd;
  int result = closeResult_;
  if (!h) return result;
  modalResult_ = &result;
  HWND owner = GetWindow(h, GW_OWNER);
  if (owner) EnableWindow(owner, FALSE);
  MSG msg;
  bool quit = false;
  int quitCode = 0;
  // "this" may be gone once the window is destroyed: only h and result
  // are used from here on.
  while (IsWindow(h)) {
    BOOL r = GetMessageW(&msg, nullptr, 0, 0);
    if (r <= 0) {
      quit = true;
      quitCode = static_cast<int>(msg.wParam);
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (owner) {
    EnableWindow(owner, TRUE);
    if (IsWindowVisible(owner)) SetForegroundWindow(owner);
  }
  if (IsWindow(h)) modalResult_ = nullptr;
  if (quit) ::PostQuitMessage(quitCode);
  return result;
}

intptr_t CWindowWnd::HandleMessage(unsigned msg, uintptr_t w, intptr_t l) { return DefaultHandling(msg, w, l); }

intptr_t CWindowWnd::DefaultHandling(unsigned msg, uintptr_t w, intptr_t l) {
  if (!impl_->hwnd) return 0;
  if (msg == WM_CLOSE) {
    NoteCloseResult(w);
    // The owner takes the activation back before this window goes.
    HWND owner = GetWindow(impl_->hwnd, GW_OWNER);
    if (owner && modalResult_) EnableWindow(owner, TRUE);
  }
  return static_cast<intptr_t>(DefWindowProcW(impl_->hwnd, msg, static_cast<WPARAM>(w), static_cast<LPARAM>(l)));
}

void PostQuitMessage(int code) { ::PostQuitMessage(code); }

int PumpPendingMessages() {
  MSG msg;
  int n = 0;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    ++n;
  }
  return n;
}

int MessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace SkinUI
