// Test helper for the start-up tests under Wine: looks at top-level windows
// and holds named mutexes, as another copy of the stub would.
//   wintool find CLASS            exit 0 when a window of the class exists
//   wintool count CLASS           prints how many windows of the class exist
//   wintool wait CLASS MS         exit 0 once a window of the class exists
//   wintool close CLASS           posts WM_CLOSE to every window of the class
//   wintool hold-mutex NAME MS    owns the named mutex for MS milliseconds
//   wintool title CLASS           prints the title of the class's window (UTF-8)
//   wintool colour CLASS RRGGBB   prints how many pixels of the window's client
//                                 area have that colour
//   wintool spots CLASS RRGGBB L T R B
//                                 prints "x y" for each group of pixels near that
//                                 colour inside the client rectangle L,T-R,B:
//                                 columns of it at most 12 pixels apart make one
//                                 group; x y is the group's middle
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {
struct CountCtx {
  std::wstring cls;
  int count = 0;
  bool close = false;
};

BOOL CALLBACK Visit(HWND hwnd, LPARAM lp) {
  auto* ctx = reinterpret_cast<CountCtx*>(lp);
  wchar_t name[256];
  if (GetClassNameW(hwnd, name, 256) && ctx->cls == name) {
    ++ctx->count;
    if (ctx->close) PostMessageW(hwnd, WM_CLOSE, 0, 0);
  }
  return TRUE;
}

int Count(const std::wstring& cls, bool close) {
  CountCtx ctx;
  ctx.cls = cls;
  ctx.close = close;
  EnumWindows(Visit, reinterpret_cast<LPARAM>(&ctx));
  return ctx.count;
}
// A copy of the window's client area painting, 0xRRGGBB per pixel, row by
// row; empty when the window cannot be read.
struct Capture {
  int w = 0, h = 0;
  std::vector<unsigned> px;
  unsigned At(int x, int y) const { return px[static_cast<size_t>(y) * w + x] & 0xFFFFFFu; }
};

Capture Grab(HWND hwnd) {
  Capture cap;
  RECT rc;
  if (!GetClientRect(hwnd, &rc) || rc.right <= 0 || rc.bottom <= 0) return cap;
  const int w = rc.right, h = rc.bottom;
  HDC wdc = GetDC(hwnd);
  HDC mem = CreateCompatibleDC(wdc);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(wdc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bmp && bits) {
    HGDIOBJ old = SelectObject(mem, bmp);
    if (BitBlt(mem, 0, 0, w, h, wdc, 0, 0, SRCCOPY)) {
      GdiFlush();
      const auto* p = static_cast<const unsigned*>(bits);
      cap.px.assign(p, p + static_cast<size_t>(w) * h);
      cap.w = w;
      cap.h = h;
    }
    SelectObject(mem, old);
  }
  if (bmp) DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(hwnd, wdc);
  return cap;
}

// Pixels of the window's client area equal to rgb (0xRRGGBB); -1 when the
// window cannot be read.
long CountColour(HWND hwnd, unsigned rgb) {
  Capture cap = Grab(hwnd);
  if (cap.px.empty()) return -1;
  long count = 0;
  for (unsigned p : cap.px)
    if ((p & 0xFFFFFFu) == rgb) ++count;
  return count;
}

// Anti-aliased text has few pixels of exactly its colour: near is enough.
bool Near(unsigned a, unsigned b) {
  for (int shift = 0; shift < 24; shift += 8) {
    int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (d < -24 || d > 24) return false;
  }
  return true;
}

// Prints the middle of each group of pixels near rgb inside the rectangle;
// false when the window cannot be read.
bool PrintSpots(HWND hwnd, unsigned rgb, RECT area) {
  const int kGap = 12;
  Capture cap = Grab(hwnd);
  if (cap.px.empty()) return false;
  area.left = std::max(0L, area.left);
  area.top = std::max(0L, area.top);
  area.right = std::min(static_cast<long>(cap.w), area.right);
  area.bottom = std::min(static_cast<long>(cap.h), area.bottom);
  int first = -1, last = -1;
  long ySum = 0, n = 0;
  auto flush = [&] {
    if (n > 0) std::printf("%d %ld\n", (first + last) / 2, ySum / n);
    first = last = -1;
    ySum = n = 0;
  };
  for (int x = area.left; x < area.right; ++x) {
    for (int y = area.top; y < area.bottom; ++y) {
      if (!Near(cap.At(x, y), rgb)) continue;
      if (last >= 0 && x - last > kGap) flush();
      if (first < 0) first = x;
      last = x;
      ySum += y;
      ++n;
    }
  }
  flush();
  return true;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fwprintf(stderr, L"usage: wintool find|count|wait|close|title|colour|spots|hold-mutex ARG [MS|RRGGBB [L T R B]]\n");
    return 2;
  }
  std::wstring cmd = argv[1], arg = argv[2];
  if (cmd == L"find") return FindWindowW(arg.c_str(), nullptr) ? 0 : 1;
  if (cmd == L"count") {
    std::printf("%d\n", Count(arg, false));
    return 0;
  }
  if (cmd == L"close") return Count(arg, true) > 0 ? 0 : 1;
  if (cmd == L"wait" && argc >= 4) {
    DWORD limit = static_cast<DWORD>(_wtoi(argv[3]));
    DWORD start = GetTickCount();
    while (GetTickCount() - start < limit) {
      if (FindWindowW(arg.c_str(), nullptr)) return 0;
      Sleep(50);
    }
    return 1;
  }
  if (cmd == L"title") {
    HWND hwnd = FindWindowW(arg.c_str(), nullptr);
    if (!hwnd) return 1;
    wchar_t title[512] = {};
    GetWindowTextW(hwnd, title, 512);
    char utf8[1536] = {};
    WideCharToMultiByte(CP_UTF8, 0, title, -1, utf8, sizeof utf8, nullptr, nullptr);
    std::printf("%s\n", utf8);
    return 0;
  }
  if (cmd == L"colour" && argc >= 4) {
    HWND hwnd = FindWindowW(arg.c_str(), nullptr);
    if (!hwnd) return 1;
    long n = CountColour(hwnd, static_cast<unsigned>(std::wcstoul(argv[3], nullptr, 16)));
    std::printf("%ld\n", n);
    return n < 0 ? 1 : 0;
  }
  if (cmd == L"spots" && argc >= 8) {
    HWND hwnd = FindWindowW(arg.c_str(), nullptr);
    if (!hwnd) return 1;
    RECT area = {_wtoi(argv[4]), _wtoi(argv[5]), _wtoi(argv[6]), _wtoi(argv[7])};
    return PrintSpots(hwnd, static_cast<unsigned>(std::wcstoul(argv[3], nullptr, 16)), area) ? 0 : 1;
  }
  if (cmd == L"hold-mutex" && argc >= 4) {
    HANDLE m = CreateMutexW(nullptr, TRUE, arg.c_str());
    if (!m) return 1;
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(_wtoi(argv[3])));
    ReleaseMutex(m);
    CloseHandle(m);
    return 0;
  }
  return 2;
}
