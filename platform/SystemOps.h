// Operations each platform implements in its own source files (win32/ or
// posix/), and the part of its Os that forwards to them.
#pragma once
#include "platform/Platform.h"

namespace platform {
namespace sysops {

ProcessStart StartProcess(const std::wstring& application, const std::wstring& commandLine,
                          const std::wstring& workDir);
WaitResult WaitProcess(ProcessHandle h, unsigned timeoutMs);
bool ProcessExitCode(ProcessHandle h, unsigned long& code);
void CloseProcess(ProcessHandle h);
void SleepMs(unsigned ms);
ShellResult ShellExec(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters);
void SystemMessageBox(WindowHandle owner, const std::wstring& text, const std::wstring& title);
TrustResult VerifyFileTrust(FileHandle file, const std::wstring& path);
ServiceState QueryService(const std::wstring& name);
bool StopService(const std::wstring& name);

}  // namespace sysops

class SystemOpsOs : public Os {
 public:
  ProcessStart StartProcess(const std::wstring& a, const std::wstring& c, const std::wstring& d) override {
    return sysops::StartProcess(a, c, d);
  }
  WaitResult WaitProcess(ProcessHandle h, unsigned ms) override { return sysops::WaitProcess(h, ms); }
  bool ProcessExitCode(ProcessHandle h, unsigned long& code) override { return sysops::ProcessExitCode(h, code); }
  void CloseProcess(ProcessHandle h) override { sysops::CloseProcess(h); }
  void SleepMs(unsigned ms) override { sysops::SleepMs(ms); }
  ShellResult ShellExec(const std::wstring& v, const std::wstring& f, const std::wstring& p) override {
    return sysops::ShellExec(v, f, p);
  }
  void SystemMessageBox(WindowHandle o, const std::wstring& t, const std::wstring& c) override {
    sysops::SystemMessageBox(o, t, c);
  }
  TrustResult VerifyFileTrust(FileHandle h, const std::wstring& p) override { return sysops::VerifyFileTrust(h, p); }
  ServiceState QueryService(const std::wstring& n) override { return sysops::QueryService(n); }
  bool StopService(const std::wstring& n) override { return sysops::StopService(n); }
};

}  // namespace platform
