// Starts a program with an exact command line, as the stub starts the
// package (application name given, the line not re-quoted), waits for it and
// ends with its exit code. Wine's own start re-quotes arguments, which would
// hide how the package reads the stub's line.
//   package_launch APP LINE
#include "platform/win32/Win32Handles.h"

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fwprintf(stderr, L"usage: package_launch APP LINE\n");
    return 2;
  }
  std::wstring line = argv[2];
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(argv[1], &line[0], nullptr, nullptr, TRUE, CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr, &si,
                      &pi)) {
    std::fwprintf(stderr, L"CreateProcessW failed: %lu\n", GetLastError());
    return 2;
  }
  platform::win32::UniqueKernelHandle thread(pi.hThread), process(pi.hProcess);
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  std::printf("exit=%lu\n", static_cast<unsigned long>(code));
  return 0;
}
