// Test helper for the start-up tests under Wine: looks at top-level windows
// and holds named mutexes, as another copy of the stub would.
//   wintool find CLASS            exit 0 when a window of the class exists
//   wintool count CLASS           prints how many windows of the class exist
//   wintool wait CLASS MS         exit 0 once a window of the class exists
//   wintool close CLASS           posts WM_CLOSE to every window of the class
//   wintool hold-mutex NAME MS    owns the named mutex for MS milliseconds
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
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fwprintf(stderr, L"usage: wintool find|count|wait|close|hold-mutex ARG [MS]\n");
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
