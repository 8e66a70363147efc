// Headless backend: windows are records, messages go through one in-process
// queue, and other processes see a window through the platform's announce.
// SIGTERM and SIGINT ask every window to close, as WM_CLOSE would.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <mutex>
#include <set>

#include "platform/Platform.h"
#include "toolkit/WindowWnd.h"

namespace SkinUI {

struct CWindowWnd::Impl {
  CWindowWnd* owner = nullptr;
  bool created = false;
  bool visible = false;
  std::wstring className;
  int x = 0, y = 0, cx = 0, cy = 0;
};

namespace {
struct Posted {
  CWindowWnd* wnd;
  unsigned msg;
  uintptr_t w;
  intptr_t l;
};
struct Queue {
  std::mutex lock;
  std::condition_variable wake;
  std::deque<Posted> items;
  std::set<CWindowWnd*> live;
};
Queue& Q() {
  static Queue q;
  return q;
}
std::atomic<bool> g_closeRequested{false};
extern "C" void OnTerminateSignal(int) { g_closeRequested = true; }

void InstallSignalHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    std::signal(SIGTERM, OnTerminateSignal);
    std::signal(SIGINT, OnTerminateSignal);
  });
}
}  // namespace

CWindowWnd::CWindowWnd() : impl_(std::make_unique<Impl>()) { impl_->owner = this; }

CWindowWnd::~CWindowWnd() {
  std::lock_guard<std::mutex> l(Q().lock);
  Q().live.erase(this);
  for (auto it = Q().items.begin(); it != Q().items.end();)
    it = it->wnd == this ? Q().items.erase(it) : it + 1;
}

bool CWindowWnd::Create(uintptr_t, const std::wstring&, uint32_t, uint32_t, int x, int y, int cx, int cy) {
  InstallSignalHandlers();
  impl_->className = GetWindowClassName();
  impl_->x = x;
  impl_->y = y;
  impl_->cx = cx;
  impl_->cy = cy;
  impl_->created = true;
  {
    std::lock_guard<std::mutex> l(Q().lock);
    Q().live.insert(this);
  }
  platform::os().AnnounceWindow(impl_->className, true);
  HandleMessage(kWmCreate, 0, 0);
  return impl_->created;
}

void CWindowWnd::ShowWindow(bool show, bool) { impl_->visible = show; }
void CWindowWnd::CenterWindow() {}
void CWindowWnd::Close(unsigned result) { PostMsg(kWmClose, result, 0); }
uintptr_t CWindowWnd::GetHWND() const { return impl_->created ? reinterpret_cast<uintptr_t>(this) : 0; }
bool CWindowWnd::IsVisible() const { return impl_->visible; }

bool CWindowWnd::PostMsg(unsigned msg, uintptr_t w, intptr_t l) {
  {
    std::lock_guard<std::mutex> lk(Q().lock);
    if (!impl_->created) return false;
    Q().items.push_back({this, msg, w, l});
  }
  Q().wake.notify_one();
  return true;
}

intptr_t CWindowWnd::SendMsg(unsigned msg, uintptr_t w, intptr_t l) { return HandleMessage(msg, w, l); }

intptr_t CWindowWnd::HandleMessage(unsigned msg, uintptr_t w, intptr_t l) { return DefaultHandling(msg, w, l); }

intptr_t CWindowWnd::DefaultHandling(unsigned msg, uintptr_t, intptr_t) {
  if (msg == kWmClose && impl_->created) {
    HandleMessage(kWmDestroy, 0, 0);
    impl_->created = false;
    impl_->visible = false;
    platform::os().AnnounceWindow(impl_->className, false);
    {
      std::lock_guard<std::mutex> l(Q().lock);
      Q().live.erase(this);
    }
    OnFinalMessage();
  }
  return 0;
}

void PostQuitMessage(int code) {
  {
    std::lock_guard<std::mutex> l(Q().lock);
    Q().items.push_back({nullptr, kWmQuit, static_cast<uintptr_t>(code), 0});
  }
  Q().wake.notify_one();
}

int MessageLoop() {
  for (;;) {
    Posted p{};
    {
      std::unique_lock<std::mutex> l(Q().lock);
      while (Q().items.empty()) {
        if (g_closeRequested.exchange(false)) {
          for (CWindowWnd* w : Q().live) Q().items.push_back({w, kWmClose, 0, 0});
          continue;
        }
        Q().wake.wait_for(l, std::chrono::milliseconds(50));
      }
      p = Q().items.front();
      Q().items.pop_front();
      if (p.wnd && !Q().live.count(p.wnd)) continue;  // window gone meanwhile
    }
    if (p.msg == kWmQuit && !p.wnd) return static_cast<int>(p.w);
    p.wnd->HandleMessage(p.msg, p.w, p.l);
  }
}

}  // namespace SkinUI
