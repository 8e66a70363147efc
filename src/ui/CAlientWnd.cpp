#include "ui/CAlientWnd.h"

#include <chrono>
#include <cstdio>

#include "FuntionImpl/GuardedRun.h"
#include "FuntionImpl/SystemInfo.h"
#include "log/Log.h"
#include "platform/Platform.h"
#include "toolkit/Backend.h"
#include "ui/MessageBoxWnd.h"
#include "ui/UiTelemetry.h"

namespace {
// Shared by every waiting window of the process, as the animation resumes
// where the last one stopped.
std::atomic<int> g_frameCounter{0};
}  // namespace

CAlientWnd::CAlientWnd(std::wstring path, std::wstring params, std::wstring title, int holdSeconds, bool admin,
                       EnumLanguage language, Launcher launcher)
    : path_(std::move(path)),
      params_(std::move(params)),
      title_(std::move(title)),
      holdSeconds_(holdSeconds),
      admin_(admin),
      language_(language),
      launcher_(std::move(launcher)) {}

CAlientWnd::~CAlientWnd() {
  if (worker_.joinable()) worker_.detach();
}

std::wstring CAlientWnd::FrameName(int counter) {
  wchar_t name[40];
  std::swprintf(name, 40, L"skin/gif/bg%.2d.png", counter % kFrameCount);
  return name;
}

int CAlientWnd::FrameCounter() { return g_frameCounter.load(); }

bool CAlientWnd::CreateForTest() {
  startWorker_ = false;
  return Create(0, title_, 0x86C80000u, 0, 0, 0, 600, 400);
}

void CAlientWnd::ShowModal() {
  int w = 0, h = 0;
  FuntionImpl::GetDisplayScale(w, h);
  if (!Create(0, title_, 0x86C80000u, 0, (w - 600) / 2, (h - 400) / 2, 600, 400)) {
    delete this;
    return;
  }
  CenterWindow();
  ShowWindow(true, true);
  CWindowWnd::ShowModal();
}

void CAlientWnd::InitWindow() {
  foreImage_ = pm_.FindControl(L"foreImage");
  SetTimer(kFrameTimer, kFrameMs);
  if (!startWorker_) return;
  // The worker keeps copies: the window (and this object) may go first.
  worker_ = std::thread([launcher = launcher_, path = path_, params = params_, admin = admin_,
                         hold = holdSeconds_, language = language_, self = GetHWND()] {
    // A start that throws is a start that failed; the window closes either way.
    int rc = -1;
    FuntionImpl::RunGuarded("Program start", [&] { rc = launcher ? launcher(path, params, admin) : -1; });
    FuntionImpl::RunGuarded("Program start", [&] {
      if (rc != 0) {
        ui::UiEvent("Other", "FlowError", "DL019");
        MessageBoxWnd box(MsgClickShortcutToLaunch, language);
        box.ShowModal(self);
      } else {
        std::this_thread::sleep_for(std::chrono::seconds(hold > 0 ? hold : 0));
      }
    });
    SkinUI::backend::PostToWindow(self, SkinUI::kWmClose, 0, 0);
  });
}

void CAlientWnd::OnClick(SkinUI::TNotifyUI& msg) {
  if (!msg.pSender) return;
  if (msg.pSender->GetName() == L"closebtn") Close(2);
  else if (msg.pSender->GetName() == L"minbtn") SendMsg(SkinUI::kWmSysCommand, SkinUI::kScMinimize, 0);
}

intptr_t CAlientWnd::HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  if (msg == SkinUI::kWmTimer && !pm_.HandleTimer(static_cast<unsigned>(wParam))) {
    // Every window timer tick shows the next frame.
    if (foreImage_) foreImage_->SetBkImage(FrameName(g_frameCounter.load()));
    ++g_frameCounter;
    return 0;
  }
  return WindowImplBase::HandleMessage(msg, wParam, lParam);
}

void CAlientWnd::OnFinalMessage() {
  if (startWorker_) delete this;
}
