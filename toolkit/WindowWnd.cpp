#include "toolkit/WindowWnd.h"

namespace SkinUI {

void CWindowWnd::NoteCloseResult(uintptr_t wParam) {
  if (closeSeen_) return;
  closeSeen_ = true;
  closeResult_ = static_cast<int>(wParam);
  if (modalResult_) *modalResult_ = closeResult_;
}

}  // namespace SkinUI
