// Child processes, pauses, the shell's verbs and the system's message box.
#include "platform/win32/Win32Handles.h"

#include <shellapi.h>

#include <vector>

#include "platform/SystemOps.h"

namespace platform {
namespace sysops {

ProcessStart StartProcess(const std::wstring& application, const std::wstring& commandLine,
                          const std::wstring& workDir) {
  ProcessStart result;
  // CreateProcessW may write into the command line.
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  SECURITY_ATTRIBUTES processSa = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  SECURITY_ATTRIBUTES threadSa = processSa;
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.wShowWindow = SW_SHOWNORMAL;  // no STARTF_USESHOWWINDOW: the child decides
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(application.empty() ? nullptr : application.c_str(), line.data(), &processSa, &threadSa, TRUE,
                      CREATE_DEFAULT_ERROR_MODE, nullptr, workDir.empty() ? nullptr : workDir.c_str(), &si, &pi)) {
    result.error = GetLastError();
    return result;
  }
  win32::UniqueKernelHandle thread(pi.hThread);
  result.handle = reinterpret_cast<ProcessHandle>(pi.hProcess);
  result.pid = pi.dwProcessId;
  return result;
}

WaitResult WaitProcess(ProcessHandle h, unsigned timeoutMs) {
  if (!h) return WaitResult::Failed;
  switch (WaitForSingleObject(reinterpret_cast<HANDLE>(h), ScaleByTestClock(timeoutMs))) {
    case WAIT_OBJECT_0: return WaitResult::Signalled;
    case WAIT_TIMEOUT: return WaitResult::TimedOut;
    default: return WaitResult::Failed;
  }
}

bool ProcessExitCode(ProcessHandle h, unsigned long& code) {
  DWORD exitCode = 0;
  if (!h || !GetExitCodeProcess(reinterpret_cast<HANDLE>(h), &exitCode) || exitCode == STILL_ACTIVE) return false;
  code = exitCode;
  return true;
}

void CloseProcess(ProcessHandle h) { win32::UniqueKernelHandle owned(reinterpret_cast<HANDLE>(h)); }

void SleepMs(unsigned ms) { Sleep(ScaleByTestClock(ms)); }

ShellResult ShellExec(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters) {
  ShellResult r;
  HINSTANCE h = ShellExecuteW(nullptr, verb.empty() ? nullptr : verb.c_str(), file.c_str(),
                              parameters.empty() ? nullptr : parameters.c_str(), nullptr, SW_SHOWNORMAL);
  // Not cleared before: the caller judges the code; the error is only logged.
  r.lastError = GetLastError();
  r.code = reinterpret_cast<intptr_t>(h);
  return r;
}

void SystemMessageBox(WindowHandle owner, const std::wstring& text, const std::wstring& title) {
  MessageBoxW(reinterpret_cast<HWND>(owner), text.c_str(), title.c_str(), MB_OK);
}

}  // namespace sysops
}  // namespace platform
