#include <windows.h>

#include <string>

#include "child_probe.h"

namespace {
std::string Utf8(const wchar_t* w) {
  int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string s(static_cast<size_t>(n - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, -1, &s[0], n, nullptr, nullptr);
  return s;
}
}  // namespace

std::string RawCommandLine(int, char**) { return Utf8(GetCommandLineW()); }

std::string CurrentFolder() {
  wchar_t buf[MAX_PATH + 1];
  DWORD n = GetCurrentDirectoryW(MAX_PATH + 1, buf);
  return n > 0 && n <= MAX_PATH ? Utf8(buf) : std::string();
}

void SleepFor(unsigned ms) { Sleep(ms); }

void Crash() {
  // No error box or debugger in the way of the exit code.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  volatile int* volatile nowhere = nullptr;  // volatile: not turned into a trap instruction
  *nowhere = 1;
  ExitProcess(99);
}
