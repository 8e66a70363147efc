// System services through the service control manager.
#include "platform/SystemOps.h"
#include "platform/win32/Win32Handles.h"

namespace platform {
namespace sysops {

namespace {

// The manager and the service, both with full access; step as ServiceState's
// (1 manager, 2 service) when one could not be opened.
struct OpenedService {
  int step = 0;
  win32::UniqueServiceHandle manager;
  win32::UniqueServiceHandle service;
};

OpenedService Open(const std::wstring& name) {
  OpenedService s;
  s.manager.reset(OpenSCManagerW(nullptr, L"ServicesActive", SC_MANAGER_ALL_ACCESS));
  if (!s.manager) {
    s.step = 1;
    return s;
  }
  s.service.reset(OpenServiceW(s.manager.get(), name.c_str(), SERVICE_ALL_ACCESS));
  if (!s.service) s.step = 2;
  return s;
}

}  // namespace

ServiceState QueryService(const std::wstring& name) {
  OpenedService s = Open(name);
  ServiceState r;
  r.step = s.step;
  if (s.step != 0) return r;
  SERVICE_STATUS_PROCESS status = {};
  DWORD needed = 0;
  if (!QueryServiceStatusEx(s.service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                            sizeof status, &needed)) {
    r.step = 3;
    return r;
  }
  r.running = status.dwCurrentState != SERVICE_STOPPED;
  r.waitHintMs = status.dwWaitHint;
  return r;
}

bool StopService(const std::wstring& name) {
  OpenedService s = Open(name);
  SERVICE_STATUS status = {};
  return s.step == 0 && ControlService(s.service.get(), SERVICE_CONTROL_STOP, &status);
}

}  // namespace sysops
}  // namespace platform
