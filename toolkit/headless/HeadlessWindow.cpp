// Headless backend: windows are records, messages go through one in-process
// queue, window timers fire from the message loop, and other processes see
// a window through the platform's announce. SIGTERM and SIGINT ask every
// window to close, as WM_CLOSE would.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <map>
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
using Clock = std::chrono::steady_clock;
struct Posted {
  CWindowWnd* wnd;
  unsigned msg;
  uintptr_t w;
  intptr_t l;
};
struct TimerEntry {
  unsigned period;
  Clock::time_point due;
};
struct Queue {
  std::mutex lock;
  std::condition_variable wake;
  std::deque<Posted> items;
  std::set<CWindowWnd*> live;
  std::map<std::pair<CWindowWnd*, unsigned>, TimerEntry> timers;
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

void DropWindow(CWindowWnd* w) {
  Q().live.erase(w);
  for (auto it = Q().items.begin(); it != Q().items.end();)
    it = it->wnd == w ? Q().items.erase(it) : it + 1;
  for (auto it = Q().timers.begin(); it != Q().timers.end();)
    it = it->first.first == w ? Q().timers.erase(it) : std::next(it);
}

// Takes the next message, waiting at most until the next timer is due.
// False when nothing came within the wait.
bool NextMessage(Posted& p) {
  std::unique_lock<std::mutex> l(Q().lock);
  for (int round = 0; round < 2; ++round) {
    if (g_closeRequested.exchange(false))
      for (CWindowWnd* w : Q().live) Q().items.push_back({w, kWmClose, 0, 0});
    while (!Q().items.empty()) {
      p = Q().items.front();
      Q().items.pop_front();
      if (!p.wnd || Q().live.count(p.wnd)) return true;
    }
    Clock::time_point now = Clock::now();
    Clock::time_point next = now + std::chrono::milliseconds(50);
    for (auto& t : Q().timers) {
      if (t.second.due <= now) {
        t.second.due = now + std::chrono::milliseconds(t.second.period);
        p = {t.first.first, kWmTimer, t.first.second, 0};
        return true;
      }
      if (t.second.due < next) next = t.second.due;
    }
    if (round == 0) Q().wake.wait_until(l, next);
  }
  return false;
}
}  // namespace

CWindowWnd::CWindowWnd() : impl_(std::make_unique<Impl>()) { impl_->owner = this; }

CWindowWnd::~CWindowWnd() {
  std::lock_guard<std::mutex> l(Q().lock);
  DropWindow(this);
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

void CWindowWnd::ResizeWindow(int width, int height) {
  impl_->cx = width;
  impl_->cy = height;
  HandleMessage(kWmSize, 0, static_cast<intptr_t>((width & 0xFFFF) | ((height & 0xFFFF) << 16)));
}

bool CWindowWnd::SetTimer(unsigned id, unsigned ms) {
  std::lock_guard<std::mutex> l(Q().lock);
  if (!impl_->created) return false;
  Q().timers[{this, id}] = {ms, Clock::now() + std::chrono::milliseconds(ms)};
  Q().wake.notify_one();
  return true;
}

void CWindowWnd::KillTimer(unsigned id) {
  std::lock_guard<std::mutex> l(Q().lock);
  Q().timers.erase({this, id});
}

unsigned CWindowWnd::TimerPeriod(unsigned id) const {
  std::lock_guard<std::mutex> l(Q().lock);
  auto it = Q().timers.find({const_cast<CWindowWnd*>(this), id});
  return it == Q().timers.end() ? 0 : it->second.period;
}

bool CWindowWnd::PostMsg(unsigned msg, uintptr_t w, intptr_t l) {
  {
    std::lock_guard<std::mutex> lk(Q().lock);
    if (!impl_->created) return false;
    Q().items.push_back({this, msg, w, l});
  }
  Q().wake.notify_one();
  return true;
}

intptr_t CWindowWnd::SendMsg(unsigned msg, uintptr_t w, intptr_t l) {
  if (!impl_->created) return 0;
  return HandleMessage(msg, w, l);
}

intptr_t CWindowWnd::HandleMessage(unsigned msg, uintptr_t w, intptr_t l) { return DefaultHandling(msg, w, l); }

intptr_t CWindowWnd::DefaultHandling(unsigned msg, uintptr_t w, intptr_t) {
  if (msg == kWmClose && impl_->created) {
    NoteCloseResult(w);
    HandleMessage(kWmDestroy, 0, 0);
    impl_->created = false;
    impl_->visible = false;
    platform::os().AnnounceWindow(impl_->className, false);
    {
      std::lock_guard<std::mutex> l(Q().lock);
      DropWindow(this);
    }
    OnFinalMessage();
  }
  return 0;
}

int CWindowWnd::ShowModal() {
  int result = closeResult_;
  if (!impl_->created) return result;
  modalResult_ = &result;
  // Runs until the window is gone; "this" may be deleted by then.
  CWindowWnd* self = this;
  for (;;) {
    {
      std::lock_guard<std::mutex> l(Q().lock);
      if (!Q().live.count(self)) break;
    }
    Posted p{};
    if (!NextMessage(p)) continue;
    if (p.msg == kWmQuit && !p.wnd) {
      PostQuitMessage(static_cast<int>(p.w));
      break;
    }
    p.wnd->HandleMessage(p.msg, p.w, p.l);
  }
  return result;
}

void PostQuitMessage(int code) {
  {
    std::lock_guard<std::mutex> l(Q().lock);
    Q().items.push_back({nullptr, kWmQuit, static_cast<uintptr_t>(code), 0});
  }
  Q().wake.notify_one();
}

int PumpPendingMessages() {
  int n = 0;
  for (int guard = 0; guard < 100000; ++guard) {
    Posted p{};
    {
      std::lock_guard<std::mutex> l(Q().lock);
      // A quit request stays where it is, for the loop that owns it.
      auto it = std::find_if(Q().items.begin(), Q().items.end(),
                             [](const Posted& q) { return !(q.msg == kWmQuit && !q.wnd); });
      if (it == Q().items.end()) break;
      p = *it;
      Q().items.erase(it);
      if (p.wnd && !Q().live.count(p.wnd)) continue;
    }
    p.wnd->HandleMessage(p.msg, p.w, p.l);
    ++n;
  }
  return n;
}

int MessageLoop() {
  for (;;) {
    Posted p{};
    if (!NextMessage(p)) continue;
    if (p.msg == kWmQuit && !p.wnd) return static_cast<int>(p.w);
    p.wnd->HandleMessage(p.msg, p.w, p.l);
  }
}

}  // namespace SkinUI
