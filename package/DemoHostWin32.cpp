// Windows: the raw command line, and the installed product's one window.
#include "platform/win32/Win32Handles.h"  // before anything else that includes windows.h

#include <cstdint>
#include <string>

#include "package/DemoHost.h"

namespace demo {
namespace {

const wchar_t kWindowClass[] = L"LumeviaDemoProduct";
const UINT_PTR kCloseTimer = 1;

struct WindowState {
  const ProductFacts* facts = nullptr;
  HFONT font = nullptr;
};

void Paint(HWND hwnd, const WindowState& st) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT rc;
  GetClientRect(hwnd, &rc);
  FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  HGDIOBJ oldFont = SelectObject(dc, st.font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0x20, 0x20, 0x20));
  const std::wstring lines[] = {st.facts->title + L" is installed.", L"Language: " + st.facts->language,
                                L"Folder: " + st.facts->folder};
  TEXTMETRICW tm;
  GetTextMetricsW(dc, &tm);
  int y = 24;
  for (const std::wstring& line : lines) {
    RECT r{24, y, rc.right - 24, y + tm.tmHeight};
    DrawTextW(dc, line.c_str(), static_cast<int>(line.size()), &r, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS);
    y += tm.tmHeight + tm.tmHeight / 2;
  }
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* st = reinterpret_cast<WindowState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
      break;
    case WM_PAINT:
      if (st) {
        Paint(hwnd, *st);
        return 0;
      }
      break;
    case WM_TIMER:
      if (wp == kCloseTimer) {
        KillTimer(hwnd, kCloseTimer);
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

std::wstring RawCommandLine(int, char**) { return GetCommandLineW(); }

void MarkRunnable(const std::wstring&) {}

void CrashNow() {
  // A test asked for a crash, not for a crash dialog or debugger that waits:
  // the fault ends the process at once, its code the exit code.
  SetErrorMode(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
  SetUnhandledExceptionFilter([](EXCEPTION_POINTERS*) -> LONG { return EXCEPTION_EXECUTE_HANDLER; });
  volatile std::uintptr_t address = 0;  // not a constant, so the store is really made
  *reinterpret_cast<volatile int*>(address) = 1;
  __builtin_trap();
}

int RunProductWindow(const ProductFacts& facts, unsigned closeAfterSeconds) {
  HINSTANCE inst = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WndProc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kWindowClass;
  if (!RegisterClassExW(&wc)) return 1;

  WindowState st;
  st.facts = &facts;
  platform::win32::UniqueGdiObject<HFONT> font(CreateFontW(-18, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                                          DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                                          CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma"));
  st.font = font.get();
  HWND hwnd = CreateWindowExW(0, kWindowClass, facts.title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                              560, 200, nullptr, nullptr, inst, &st);
  int code = 1;
  if (hwnd) {
    if (closeAfterSeconds > 0) SetTimer(hwnd, kCloseTimer, closeAfterSeconds * 1000u, nullptr);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    code = 0;
  }
  return code;
}

}  // namespace demo
