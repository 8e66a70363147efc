// Authorises a program in the Windows Firewall through its COM objects.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <windows.h>
#include <netfw.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <string>

namespace platform {
namespace win32 {

namespace {
template <typename T>
void SafeRelease(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

// The profile in force, or nullptr after printing why not.
INetFwProfile* OpenProfile() {
  INetFwMgr* mgr = nullptr;
  INetFwPolicy* policy = nullptr;
  INetFwProfile* profile = nullptr;
  HRESULT hr = CoCreateInstance(__uuidof(NetFwMgr), nullptr, CLSCTX_INPROC_SERVER, __uuidof(INetFwMgr),
                                reinterpret_cast<void**>(&mgr));
  if (FAILED(hr)) {
    std::printf("CoCreateInstance failed: 0x%08lx\n", static_cast<unsigned long>(hr));
  } else if (FAILED(hr = mgr->get_LocalPolicy(&policy))) {
    std::printf("get_LocalPolicy failed: 0x%08lx\n", static_cast<unsigned long>(hr));
  } else if (FAILED(hr = policy->get_CurrentProfile(&profile))) {
    std::printf("get_CurrentProfile failed: 0x%08lx\n", static_cast<unsigned long>(hr));
  }
  SafeRelease(policy);
  SafeRelease(mgr);
  if (FAILED(hr)) std::printf("WindowsFirewallInitialize failed: 0x%08lx\n", static_cast<unsigned long>(hr));
  return SUCCEEDED(hr) ? profile : nullptr;
}

bool AppIsEnabled(INetFwProfile* profile, const wchar_t* path) {
  INetFwAuthorizedApplications* apps = nullptr;
  INetFwAuthorizedApplication* app = nullptr;
  BSTR name = nullptr;
  VARIANT_BOOL enabled = VARIANT_FALSE;
  HRESULT hr = profile->get_AuthorizedApplications(&apps);
  if (FAILED(hr)) {
    std::printf("get_AuthorizedApplications failed: 0x%08lx\n", static_cast<unsigned long>(hr));
  } else if (!(name = SysAllocString(path))) {
    hr = E_OUTOFMEMORY;
    std::printf("SysAllocString failed: 0x%08lx\n", static_cast<unsigned long>(hr));
  } else if (SUCCEEDED(apps->Item(name, &app)) && app) {
    if (FAILED(hr = app->get_Enabled(&enabled)))
      std::printf("get_Enabled failed: 0x%08lx\n", static_cast<unsigned long>(hr));
  }
  if (FAILED(hr)) std::printf("WindowsFirewallAppIsEnabled failed: 0x%08lx\n", static_cast<unsigned long>(hr));
  if (name) SysFreeString(name);
  SafeRelease(app);
  SafeRelease(apps);
  return enabled != VARIANT_FALSE;
}

void AddApp(INetFwProfile* profile, const wchar_t* path) {
  INetFwAuthorizedApplications* apps = nullptr;
  INetFwAuthorizedApplication* app = nullptr;
  BSTR image = SysAllocString(path);
  BSTR name = SysAllocString(L"Marlowgate_steup1.0.0.1");
  HRESULT hr = profile->get_AuthorizedApplications(&apps);
  if (SUCCEEDED(hr))
    hr = CoCreateInstance(__uuidof(NetFwAuthorizedApplication), nullptr, CLSCTX_INPROC_SERVER,
                          __uuidof(INetFwAuthorizedApplication), reinterpret_cast<void**>(&app));
  if (SUCCEEDED(hr)) {
    if (FAILED(hr = app->put_ProcessImageFileName(image))) {
      std::printf("put_ProcessImageFileName failed: 0x%08lx\n", static_cast<unsigned long>(hr));
    } else if (FAILED(hr = app->put_Name(name))) {
      std::printf("put_Name failed: 0x%08lx\n", static_cast<unsigned long>(hr));
    } else {
      app->put_Scope(NET_FW_SCOPE_ALL);
      app->put_IpVersion(NET_FW_IP_VERSION_ANY);
      app->put_Enabled(VARIANT_TRUE);
      if (FAILED(hr = apps->Add(app)))
        std::printf("Add failed: 0x%08lx\n", static_cast<unsigned long>(hr));
      else
        std::printf("Authorized application %ls is now enabled in the firewall.\n", path);
    }
  }
  SafeRelease(app);
  SafeRelease(apps);
  SysFreeString(image);
  SysFreeString(name);
}
}  // namespace

int AuthorizeFirewallApp(const std::wstring& imagePath) {
  HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  if (FAILED(init) && init != RPC_E_CHANGED_MODE) {
    std::printf("CoInitializeEx failed: 0x%08lx\n", static_cast<unsigned long>(init));
    return -1;
  }
  INetFwProfile* profile = OpenProfile();
  if (!profile) {
    if (SUCCEEDED(init)) CoUninitialize();
    return -1;
  }
  if (AppIsEnabled(profile, imagePath.c_str())) {
    std::printf("Authorized application %ls is enabled in the firewall.\n", imagePath.c_str());
  } else {
    std::printf("Authorized application %ls is disabled in the firewall.\n", imagePath.c_str());
    AddApp(profile, imagePath.c_str());
  }
  SafeRelease(profile);
  if (SUCCEEDED(init)) CoUninitialize();
  return 0;
}

}  // namespace win32
}  // namespace platform
