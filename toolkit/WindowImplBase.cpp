#include "toolkit/WindowImplBase.h"

#include "toolkit/Backend.h"
#include "toolkit/Messages.h"

namespace SkinUI {

WindowImplBase::~WindowImplBase() { pm_.RemoveNotifier(this); }

void WindowImplBase::Notify(TNotifyUI& msg) {
  if (msg.sType == L"click") OnClick(msg);
  else if (msg.sType == L"selectchanged") OnSelectChanged(msg);
  else if (msg.sType == L"itemselect") OnItemSelect(msg);
}

void WindowImplBase::ResizeClient(int width, int height) {
  pm_.SetClientSize(width, height);
  ResizeWindow(pm_.Scaled(width), pm_.Scaled(height));
}

intptr_t WindowImplBase::HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  switch (msg) {
    case kWmCreate: {
      pm_.Init(this);
      pm_.LoadLayout(GetSkinFile());
      pm_.AddNotifier(this);
      Size size = pm_.GetInitSize();
      if (size.cx > 0 && size.cy > 0) ResizeClient(size.cx, size.cy);
      backend::SetRoundCorners(GetHWND(), pm_.Scaled(pm_.GetRoundCorner()));
      InitWindow();
      pm_.SendNotify(pm_.GetRoot(), L"windowinit");
      return 0;
    }
    case kWmPaint:
      backend::PaintWindow(GetHWND(), pm_);
      return 0;
    case kWmEraseBkgnd:
      return 1;
    // The layout draws the whole window, frame included: no system frame.
    case 0x0083:  // WM_NCCALCSIZE
      if (wParam) return 0;
      break;
    case 0x0085:  // WM_NCPAINT
      return 0;
    case 0x0086:  // WM_NCACTIVATE
      return 1;
    case kWmNcHitTest: {
      int x = static_cast<short>(static_cast<uintptr_t>(lParam) & 0xFFFF);
      int y = static_cast<short>((static_cast<uintptr_t>(lParam) >> 16) & 0xFFFF);
      backend::ScreenToClient(GetHWND(), x, y);
      return pm_.IsCaptionPoint(pm_.Unscaled(x), pm_.Unscaled(y)) ? kHtCaption : kHtClient;
    }
    case kWmCommand:
      // The native edit lost the focus: the entry ends and its text stays.
      if (((wParam >> 16) & 0xFFFF) == 0x0200) pm_.EndEdit();
      break;
    case kWmClose:
      NoteCloseResult(wParam);
      break;
    default: {
      intptr_t result = 0;
      if (pm_.HandleMessage(msg, wParam, lParam, result)) return result;
      break;
    }
  }
  return DefaultHandling(msg, wParam, lParam);
}

}  // namespace SkinUI
