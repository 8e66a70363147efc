// A window built from a layout: it owns its paint manager, loads the layout
// when created, sizes itself from the layout (scaled for the display),
// routes input to the controls and receives their notifications.
#pragma once
#include <string>

#include "toolkit/Notify.h"
#include "toolkit/PaintManager.h"
#include "toolkit/WindowWnd.h"

namespace SkinUI {

class WindowImplBase : public CWindowWnd, public INotifyUI {
 public:
  WindowImplBase() = default;
  ~WindowImplBase() override;

  virtual std::string GetSkinFile() = 0;
  CPaintManagerUI& PaintManager() { return pm_; }

  // After the layout is built; before "windowinit" is sent.
  virtual void InitWindow() {}
  // The default dispatch: "click" to OnClick, "selectchanged" to
  // OnSelectChanged, "itemselect" to OnItemSelect.
  void Notify(TNotifyUI& msg) override;
  virtual void OnClick(TNotifyUI& msg) {}
  virtual void OnSelectChanged(TNotifyUI& msg) {}
  virtual void OnItemSelect(TNotifyUI& msg) {}

  intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
  // Client size in logical pixels (the window grows by the display scale).
  void ResizeClient(int width, int height);
  int ClientHeight() const { return pm_.ClientRect().Height(); }

 protected:
  CPaintManagerUI pm_;
};

}  // namespace SkinUI
