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
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

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
// Pixels of the window's client area equal to rgb (0xRRGGBB), read back from
// a copy of the window's painting; -1 when the window cannot be read.
long CountColour(HWND hwnd, unsigned rgb) {
  RECT rc;
  if (!GetClientRect(hwnd, &rc) || rc.right <= 0 || rc.bottom <= 0) return -1;
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
  long count = -1;
  if (bmp && bits) {
    HGDIOBJ old = SelectObject(mem, bmp);
    if (BitBlt(mem, 0, 0, w, h, wdc, 0, 0, SRCCOPY)) {
      GdiFlush();
      count = 0;
      const auto* px = static_cast<const unsigned*>(bits);
      for (long i = 0; i < static_cast<long>(w) * h; ++i)
        if ((px[i] & 0xFFFFFFu) == rgb) ++count;
    }
    SelectObject(mem, old);
  }
  if (bmp) DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(hwnd, wdc);
  return count;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fwprintf(stderr, L"usage: wintool find|count|wait|close|title|colour|hold-mutex ARG [MS|RRGGBB]\n");
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
