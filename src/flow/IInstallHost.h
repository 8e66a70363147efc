// What the install flow may ask of the main window besides its reports
// (IInstallObserver). The worker runs on its own thread and must never touch
// a control: every call here is safe from any thread unless it says "UI
// thread", and none of them blocks on the window's thread. The window
// implements it; tests pass a recording fake.
#pragma once
#include <string>

#include "platform/Platform.h"
#include "ui/EnumMsgType.h"

class IInstallHost {
 public:
  virtual ~IInstallHost() = default;

  // The install-path edit box: its text, and a new text (the drive switch).
  virtual std::wstring InstallFolderText() = 0;
  virtual void SetInstallFolderText(const std::wstring& text) = 0;
  // The text of a skin control by name (configuration labels, product
  // pages); empty when there is none. The labels do not change while the
  // window lives, so the window answers from a copy.
  virtual std::wstring ControlText(const std::wstring& name) = 0;

  // The window, as the owner of system message boxes; 0 when it is gone.
  virtual platform::WindowHandle Window() = 0;
  // AutoRun's restart: the single-instance mutex goes, then the window
  // closes with a result.
  virtual void ReleaseSingleInstance() = 0;
  virtual void CloseWindow(int result) = 0;

  // UI thread: a message box of the given type, modal to the window.
  virtual void ShowMessageBox(EnumMsgType type) = 0;
  // UI thread: the running page with its result view behind it.
  virtual void ShowRunningPage() = 0;
};
