// Window message numbers: the Windows values, shared by every backend.
#pragma once

namespace SkinUI {
enum : unsigned {
  kWmCreate = 0x0001,
  kWmDestroy = 0x0002,
  kWmClose = 0x0010,
  kWmQuit = 0x0012,
  kWmTimer = 0x0113,
  kWmUser = 0x0400,
};
}  // namespace SkinUI
