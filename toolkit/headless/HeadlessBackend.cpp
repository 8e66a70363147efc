// Headless side of the toolkit's backend: nothing is drawn on a screen;
// image sizes come from the PNG headers of the package, and text is
// measured with a fixed advance per character so layouts are repeatable.
#include <map>
#include <mutex>

#include "log/Log.h"
#include "platform/Platform.h"
#include "platform/Utf.h"
#include "toolkit/Backend.h"
#include "toolkit/PaintManager.h"
#include "toolkit/SkinPackage.h"
#include "toolkit/WindowWnd.h"

namespace SkinUI {
namespace backend {

namespace {
std::mutex g_lock;
std::map<std::string, Size>& Sizes() {
  static std::map<std::string, Size> m;
  return m;
}
uint32_t BigEndian(const std::string& b, size_t at) {
  return (static_cast<uint32_t>(static_cast<unsigned char>(b[at])) << 24) |
         (static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16) |
         (static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8) |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3]));
}
}  // namespace

void Invalidate(uintptr_t) {}

bool SetTimer(uintptr_t hwnd, unsigned id, unsigned ms) {
  return hwnd && reinterpret_cast<CWindowWnd*>(hwnd)->SetTimer(id, ms);
}

void KillTimer(uintptr_t hwnd, unsigned id) {
  if (hwnd) reinterpret_cast<CWindowWnd*>(hwnd)->KillTimer(id);
}

unsigned TimerPeriod(uintptr_t hwnd, unsigned id) {
  return hwnd ? reinterpret_cast<CWindowWnd*>(hwnd)->TimerPeriod(id) : 0;
}

bool ImageSize(const std::wstring& name, Size& size) {
  bool local = !name.empty() && name[0] == L'/';
  std::string key = local ? platform::Utf8FromWide(name) : SkinPackage::NormalizeName(platform::Utf8FromWide(name));
  std::lock_guard<std::mutex> l(g_lock);
  auto it = Sizes().find(key);
  if (it != Sizes().end()) {
    size = it->second;
    return size.cx > 0;
  }
  std::string bytes;
  if (local) platform::os().ReadFile(name, bytes);
  else if (const SkinPackage* pkg = CPaintManagerUI::GetResourceZip()) pkg->Extract(key, bytes);
  Size s;
  // PNG: signature, then the IHDR chunk with width and height.
  if (bytes.size() >= 24 && bytes.compare(1, 3, "PNG") == 0 && bytes.compare(12, 4, "IHDR") == 0) {
    s.cx = static_cast<int>(BigEndian(bytes, 16));
    s.cy = static_cast<int>(BigEndian(bytes, 20));
  }
  Sizes()[key] = s;
  size = s;
  return s.cx > 0;
}

void FreeImages() {
  std::lock_guard<std::mutex> l(g_lock);
  Sizes().clear();
}

void ResizeWindow(uintptr_t hwnd, int width, int height) {
  if (hwnd) reinterpret_cast<CWindowWnd*>(hwnd)->ResizeWindow(width, height);
}
Rect WindowRect(uintptr_t) { return Rect(); }
void ScreenToClient(uintptr_t, int&, int&) {}
int SystemScalePercent() { return 100; }
void SetCapture(uintptr_t, bool) {}
void SetHandCursor(bool) {}
void SetRoundCorners(uintptr_t, int) {}
void BeginTextEdit(uintptr_t, CEditUI*, const Rect&, const FontSpec&) {}
bool EndTextEdit(uintptr_t, std::wstring&) { return false; }
void PaintWindow(uintptr_t, CPaintManagerUI&) {}
// Handles are the windows themselves here.
bool PostToWindow(uintptr_t hwnd, unsigned msg, uintptr_t w, intptr_t l) {
  return hwnd && reinterpret_cast<CWindowWnd*>(hwnd)->PostMsg(msg, w, l);
}
intptr_t SendToWindow(uintptr_t hwnd, unsigned msg, uintptr_t w, intptr_t l) {
  return hwnd ? reinterpret_cast<CWindowWnd*>(hwnd)->SendMsg(msg, w, l) : 0;
}
void ShowWindowHandle(uintptr_t hwnd, bool show) {
  if (hwnd) reinterpret_cast<CWindowWnd*>(hwnd)->ShowWindow(show, false);
}

// Nothing to open here: the request is only written to the log.
bool ShellOpen(const std::wstring& target, const std::wstring& parameters) {
  LOG(INFO) << " Shell open: " << platform::Utf8FromWide(target) << " " << platform::Utf8FromWide(parameters);
  return true;
}
bool PickFolder(uintptr_t, std::wstring&) { return false; }
void SetAccentState(uintptr_t, int) {}

}  // namespace backend
}  // namespace SkinUI
