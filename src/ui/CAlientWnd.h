// The small waiting window shown while the installed program starts: a
// 21-frame animation at 20 frames per second; a worker thread starts the
// program, holds the window for the configured time and closes it.
#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "language/Language.h"
#include "toolkit/WindowImplBase.h"

class CAlientWnd : public SkinUI::WindowImplBase {
 public:
  static constexpr unsigned kFrameTimer = 1000;
  static constexpr unsigned kFrameMs = 50;
  static constexpr int kFrameCount = 21;
  // Starts the program: (path, parameters, as administrator) -> 0 on success.
  using Launcher = std::function<int(const std::wstring&, const std::wstring&, bool)>;

  CAlientWnd(std::wstring path, std::wstring params, std::wstring title, int holdSeconds, bool admin,
             EnumLanguage language, Launcher launcher);
  ~CAlientWnd() override;

  std::wstring GetWindowClassName() const override { return L"CALIENTWND_UI_Frame"; }
  std::string GetSkinFile() override { return "transWnd.xml"; }
  void InitWindow() override;
  void OnClick(SkinUI::TNotifyUI& msg) override;
  intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

  // Creates the window without owner, shows it and runs the modal loop.
  // The object deletes itself when its window is gone: create it with new.
  void ShowModal();
  // Creates the window only, without the worker (tests drive the frames).
  bool CreateForTest();

  // The frame picture for a counter value: "skin/gif/bg%.2d.png" of counter % 21.
  static std::wstring FrameName(int counter);
  static int FrameCounter();

 protected:
  void OnFinalMessage() override;

 private:
  std::wstring path_, params_, title_;
  int holdSeconds_;
  bool admin_;
  EnumLanguage language_;
  Launcher launcher_;
  bool startWorker_ = true;
  std::thread worker_;
  SkinUI::CControlUI* foreImage_ = nullptr;
};
