// Win32 backend: one registered class per window class name; the static
// window procedure forwards every message to its CWindowWnd.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <windows.h>

#include <set>

#include "toolkit/PaintManager.h"
#include "toolkit/WindowWnd.h"

namespace SkinUI {

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
      self->OnFinalMessage();
      return r;
    }
    if (!self) return DefWindowProcW(hwnd, msg, w, l);
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

intptr_t CWindowWnd::HandleMessage(unsigned msg, uintptr_t w, intptr_t l) { return DefaultHandling(msg, w, l); }

intptr_t CWindowWnd::DefaultHandling(unsigned msg, uintptr_t w, intptr_t l) {
  if (!impl_->hwnd) return 0;
  return static_cast<intptr_t>(DefWindowProcW(impl_->hwnd, msg, static_cast<WPARAM>(w), static_cast<LPARAM>(l)));
}

void PostQuitMessage(int code) { ::PostQuitMessage(code); }

int MessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace SkinUI
