// Notifications from controls to the window: "click", "selectchanged",
// "itemselect", "link", "windowinit", "timer", "textchanged".
#pragma once
#include <cstdint>
#include <string>

namespace SkinUI {

class CControlUI;

struct tagTNotifyUI {
  std::wstring sType;
  CControlUI* pSender = nullptr;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};
using TNotifyUI = tagTNotifyUI;

class INotifyUI {
 public:
  virtual ~INotifyUI() = default;
  virtual void Notify(TNotifyUI& msg) = 0;
};

}  // namespace SkinUI
