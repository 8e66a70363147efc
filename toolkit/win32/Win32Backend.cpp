// Win32 side of the toolkit's backend: painting through GDI+ into a memory
// bitmap (no flicker), timers, capture, cursor, rounded window region and
// the native edit control for text entry.
#include <objidl.h>

#include "toolkit/win32/GdiplusCanvas.h"
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <map>
#include <utility>

#include <shellapi.h>
#include <shlobj.h>

#include "platform/win32/Win32Handles.h"
#include "toolkit/Backend.h"
#include "toolkit/EditUI.h"
#include "toolkit/PaintManager.h"
#include "toolkit/win32/Snapshot.h"

namespace SkinUI {

using platform::win32::UniqueGdiObject;

namespace win32 {
std::map<std::pair<HWND, unsigned>, unsigned>& Timers();

struct EditState {
  HWND edit = nullptr;
  UniqueGdiObject<HFONT> font;  // the edit's; goes after the edit
  WNDPROC oldProc = nullptr;
};
std::map<HWND, EditState>& Edits() {
  static std::map<HWND, EditState> e;
  return e;
}
std::map<HWND, int>& Corners() {
  static std::map<HWND, int> c;
  return c;
}

void ApplyCorners(HWND hwnd) {
  auto it = Corners().find(hwnd);
  if (it == Corners().end() || it->second <= 0) return;
  RECT rc;
  GetWindowRect(hwnd, &rc);
  int d = it->second * 2;
  UniqueGdiObject<HRGN> region(CreateRoundRectRgn(0, 0, rc.right - rc.left + 1, rc.bottom - rc.top + 1, d, d));
  // The window owns the region once it is set.
  if (region && SetWindowRgn(hwnd, region.get(), TRUE)) region.release();
}

void OnResized(HWND hwnd) { ApplyCorners(hwnd); }

void ForgetWindow(HWND hwnd) {
  for (auto it = Timers().begin(); it != Timers().end();)
    it = it->first.first == hwnd ? Timers().erase(it) : std::next(it);
  Corners().erase(hwnd);
  Edits().erase(hwnd);
}

// Enter, Esc and Tab leave the edit: the focus goes back to the window,
// which ends the entry through EN_KILLFOCUS.
LRESULT CALLBACK EditProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  HWND parent = GetParent(h);
  auto it = Edits().find(parent);
  WNDPROC old = it != Edits().end() ? it->second.oldProc : DefWindowProcW;
  if (msg == WM_KEYDOWN && (w == VK_RETURN || w == VK_ESCAPE || w == VK_TAB)) {
    SetFocus(parent);
    return 0;
  }
  if (msg == WM_CHAR && (w == '\r' || w == 27 || w == '\t')) return 0;
  return CallWindowProcW(old, h, msg, w, l);
}
}  // namespace win32

namespace backend {

void Invalidate(uintptr_t hwnd) {
  if (hwnd) InvalidateRect(reinterpret_cast<HWND>(hwnd), nullptr, FALSE);
}

bool SetTimer(uintptr_t hwnd, unsigned id, unsigned ms) {
  if (!hwnd || !::SetTimer(reinterpret_cast<HWND>(hwnd), id, ms, nullptr)) return false;
  win32::Timers()[{reinterpret_cast<HWND>(hwnd), id}] = ms;
  return true;
}

void KillTimer(uintptr_t hwnd, unsigned id) {
  if (!hwnd) return;
  ::KillTimer(reinterpret_cast<HWND>(hwnd), id);
  win32::Timers().erase({reinterpret_cast<HWND>(hwnd), id});
}

unsigned TimerPeriod(uintptr_t hwnd, unsigned id) {
  auto it = win32::Timers().find({reinterpret_cast<HWND>(hwnd), id});
  return it == win32::Timers().end() ? 0 : it->second;
}

bool ImageSize(const std::wstring& name, Size& size) {
  Gdiplus::Bitmap* bmp = CachedImage(name);
  if (!bmp) return false;
  size.cx = static_cast<int>(bmp->GetWidth());
  size.cy = static_cast<int>(bmp->GetHeight());
  return true;
}

void FreeImages() { FreeCachedImages(); }

void ResizeWindow(uintptr_t hwnd, int width, int height) {
  if (!hwnd) return;
  SetWindowPos(reinterpret_cast<HWND>(hwnd), nullptr, 0, 0, width, height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Rect WindowRect(uintptr_t hwnd) {
  RECT rc = {};
  if (hwnd) GetWindowRect(reinterpret_cast<HWND>(hwnd), &rc);
  return Rect(rc.left, rc.top, rc.right, rc.bottom);
}

void ScreenToClient(uintptr_t hwnd, int& x, int& y) {
  POINT pt = {x, y};
  if (hwnd) ::ScreenToClient(reinterpret_cast<HWND>(hwnd), &pt);
  x = pt.x;
  y = pt.y;
}

int SystemScalePercent() {
  platform::win32::UniqueScreenDc dc(GetDC(nullptr));
  int dpi = dc ? GetDeviceCaps(dc.get(), LOGPIXELSX) : 96;
  return dpi > 0 ? dpi * 100 / 96 : 100;
}

void SetCapture(uintptr_t hwnd, bool capture) {
  if (capture && hwnd) ::SetCapture(reinterpret_cast<HWND>(hwnd));
  else ::ReleaseCapture();
}

void SetHandCursor(bool hand) { ::SetCursor(LoadCursorW(nullptr, hand ? IDC_HAND : IDC_ARROW)); }

void SetRoundCorners(uintptr_t hwnd, int radius) {
  if (!hwnd) return;
  win32::Corners()[reinterpret_cast<HWND>(hwnd)] = radius;
  win32::ApplyCorners(reinterpret_cast<HWND>(hwnd));
}

void BeginTextEdit(uintptr_t hwnd, CEditUI* edit, const Rect& rc, const FontSpec& font) {
  HWND parent = reinterpret_cast<HWND>(hwnd);
  if (!parent) return;
  std::wstring ignored;
  EndTextEdit(hwnd, ignored);
  UniqueGdiObject<HFONT> f(CreateFontW(-font.size, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, font.italic, FALSE,
                                       FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                       CLEARTYPE_QUALITY, DEFAULT_PITCH, font.face.c_str()));
  int h = font.size + font.size / 2;
  int top = rc.top + (rc.Height() - h) / 2;
  HWND e = CreateWindowExW(0, L"EDIT", edit->GetText().c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_LEFT,
                           rc.left, top, rc.Width(), h, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!e) return;
  SendMessageW(e, WM_SETFONT, reinterpret_cast<WPARAM>(f.get()), TRUE);
  win32::EditState st;
  st.edit = e;
  st.font = std::move(f);
  st.oldProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(e, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&win32::EditProc)));
  win32::Edits()[parent] = std::move(st);
  SendMessageW(e, EM_SETSEL, 0, -1);
  ::SetFocus(e);
}

bool EndTextEdit(uintptr_t hwnd, std::wstring& text) {
  auto it = win32::Edits().find(reinterpret_cast<HWND>(hwnd));
  if (it == win32::Edits().end()) return false;
  win32::EditState st = std::move(it->second);
  win32::Edits().erase(it);
  int n = GetWindowTextLengthW(st.edit);
  std::wstring buf(static_cast<size_t>(n) + 1, L'\0');
  GetWindowTextW(st.edit, &buf[0], n + 1);
  buf.resize(static_cast<size_t>(n));
  text = buf;
  DestroyWindow(st.edit);
  return true;
}

bool PostToWindow(uintptr_t hwnd, unsigned msg, uintptr_t w, intptr_t l) {
  return hwnd && PostMessageW(reinterpret_cast<HWND>(hwnd), msg, static_cast<WPARAM>(w), static_cast<LPARAM>(l));
}

intptr_t SendToWindow(uintptr_t hwnd, unsigned msg, uintptr_t w, intptr_t l) {
  if (!hwnd) return 0;
  return static_cast<intptr_t>(
      SendMessageW(reinterpret_cast<HWND>(hwnd), msg, static_cast<WPARAM>(w), static_cast<LPARAM>(l)));
}

void ShowWindowHandle(uintptr_t hwnd, bool show) {
  if (hwnd) ::ShowWindow(reinterpret_cast<HWND>(hwnd), show ? SW_SHOW : SW_HIDE);
}

bool ShellOpen(const std::wstring& target, const std::wstring& parameters) {
  HINSTANCE r = ShellExecuteW(nullptr, L"open", target.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                              nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<intptr_t>(r) > 32;
}

bool PickFolder(uintptr_t owner, std::wstring& folder) {
  BROWSEINFOW bi = {};
  bi.hwndOwner = owner ? reinterpret_cast<HWND>(owner) : GetForegroundWindow();
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
  platform::win32::UniqueCoTaskMem<PIDLIST_ABSOLUTE> pidl(SHBrowseForFolderW(&bi));
  if (!pidl) return false;
  wchar_t path[MAX_PATH] = {};
  bool ok = SHGetPathFromIDListW(pidl.get(), path) != FALSE;
  if (ok) folder = path;
  return ok;
}

void SetAccentState(uintptr_t hwnd, int state) {
  struct AccentPolicy {
    int state, flags, color, animation;
  };
  struct CompositionData {
    int attribute;
    void* data;
    SIZE_T size;
  };
  using SetAttr = BOOL(WINAPI*)(HWND, CompositionData*);
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  auto fn = user32 ? reinterpret_cast<SetAttr>(
                         reinterpret_cast<void*>(GetProcAddress(user32, "SetWindowCompositionAttribute")))
                   : nullptr;
  if (!fn || !hwnd) return;
  AccentPolicy accent = {state, 0, 0, 0};
  CompositionData data = {19, &accent, sizeof(accent)};
  fn(reinterpret_cast<HWND>(hwnd), &data);
}

void PaintWindow(uintptr_t hwnd, CPaintManagerUI& pm) {
  HWND h = reinterpret_cast<HWND>(hwnd);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT rc;
  GetClientRect(h, &rc);
  int w = rc.right - rc.left, ht = rc.bottom - rc.top;
  if (w > 0 && ht > 0) {
    EnsureGdiplus();
    // Declared in this order so the bitmap leaves the DC before either goes.
    platform::win32::UniqueMemoryDc mem(CreateCompatibleDC(dc));
    UniqueGdiObject<HBITMAP> bmp(CreateCompatibleBitmap(dc, w, ht));
    platform::win32::ScopedSelectObject selected(mem.get(), bmp.get());
    {
      Gdiplus::Graphics g(mem.get());
      g.Clear(Gdiplus::Color(255, 255, 255, 255));
      float s = pm.GetScale() / 100.0f;
      g.ScaleTransform(s, s);
      GdiplusCanvas canvas(g);
      pm.Paint(canvas);
    }
    BitBlt(dc, 0, 0, w, ht, mem.get(), 0, 0, SRCCOPY);
  }
  EndPaint(h, &ps);
}

}  // namespace backend

bool RenderToPng(CPaintManagerUI& pm, const std::wstring& path) {
  EnsureGdiplus();
  Rect client = pm.ClientRect();
  int w = pm.Scaled(client.Width()), h = pm.Scaled(client.Height());
  if (w <= 0 || h <= 0) return false;
  Gdiplus::Bitmap bmp(w, h, PixelFormat32bppARGB);
  {
    Gdiplus::Graphics g(&bmp);
    g.Clear(Gdiplus::Color(0, 0, 0, 0));
    int r = pm.Scaled(pm.GetRoundCorner());
    float s = pm.GetScale() / 100.0f;
    if (r > 0) {
      // The window region's rounded corners, as the screen shows them.
      Gdiplus::GraphicsPath clip;
      float d = static_cast<float>(r * 2);
      clip.AddArc(0.0f, 0.0f, d, d, 180, 90);
      clip.AddArc(w - d, 0.0f, d, d, 270, 90);
      clip.AddArc(w - d, h - d, d, d, 0, 90);
      clip.AddArc(0.0f, h - d, d, d, 90, 90);
      clip.CloseFigure();
      g.SetClip(&clip);
    }
    Gdiplus::SolidBrush white(Gdiplus::Color(255, 255, 255, 255));
    g.FillRectangle(&white, 0, 0, w, h);
    g.ScaleTransform(s, s);
    GdiplusCanvas canvas(g);
    pm.Paint(canvas);
  }
  // The PNG encoder of GDI+.
  CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
  return bmp.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

}  // namespace SkinUI
