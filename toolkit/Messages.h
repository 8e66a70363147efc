// Window message numbers: the Windows values, shared by every backend.
#pragma once

namespace SkinUI {
enum : unsigned {
  kWmCreate = 0x0001,
  kWmDestroy = 0x0002,
  kWmSize = 0x0005,
  kWmSetFocus = 0x0007,
  kWmKillFocus = 0x0008,
  kWmPaint = 0x000F,
  kWmClose = 0x0010,
  kWmQuit = 0x0012,
  kWmEraseBkgnd = 0x0014,
  kWmSetCursor = 0x0020,
  kWmNcHitTest = 0x0084,
  kWmKeyDown = 0x0100,
  kWmCommand = 0x0111,
  kWmSysCommand = 0x0112,
  kWmTimer = 0x0113,
  kWmMouseMove = 0x0200,
  kWmLButtonDown = 0x0201,
  kWmLButtonUp = 0x0202,
  kWmLButtonDblClk = 0x0203,
  kWmMouseWheel = 0x020A,
  kWmMouseLeave = 0x02A3,
  kWmUser = 0x0400,
};
// WM_SYSCOMMAND commands.
enum : unsigned { kScMinimize = 0xF020, kScRestore = 0xF120 };
// Hit test answers.
enum : int { kHtClient = 1, kHtCaption = 2 };
// Virtual keys the toolkit handles.
enum : unsigned { kVkTab = 0x09, kVkReturn = 0x0D, kVkShift = 0x10, kVkEscape = 0x1B, kVkSpace = 0x20 };
}  // namespace SkinUI
