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

#include "platform/win32/Win32Handles.h"

namespace platform {
namespace win32 {

namespace {
void PrintFailure(const char* what, HRESULT hr) {
  std::printf("%s failed: 0x%08lx\n", what, static_cast<unsigned long>(hr));
}

// Pairs a successful CoInitializeEx with its CoUninitialize; declared before
// the objects it outlives.
class ComApartment {
 public:
  ComApartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ~ComApartment() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  // An apartment of another kind on this thread serves as well.
  bool Usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }
  HRESULT Result() const { return hr_; }

 private:
  HRESULT hr_;
};

// The profile in force, or an empty pointer after printing why not.
ComPtr<INetFwProfile> OpenProfile() {
  ComPtr<INetFwMgr> mgr;
  ComPtr<INetFwPolicy> policy;
  ComPtr<INetFwProfile> profile;
  HRESULT hr = CoCreateInstance(__uuidof(NetFwMgr), nullptr, CLSCTX_INPROC_SERVER, __uuidof(INetFwMgr),
                                mgr.put_void());
  if (FAILED(hr)) {
    PrintFailure("CoCreateInstance", hr);
  } else if (FAILED(hr = mgr->get_LocalPolicy(policy.put()))) {
    PrintFailure("get_LocalPolicy", hr);
  } else if (FAILED(hr = policy->get_CurrentProfile(profile.put()))) {
    PrintFailure("get_CurrentProfile", hr);
  }
  if (FAILED(hr)) {
    PrintFailure("WindowsFirewallInitialize", hr);
    profile.reset();
  }
  return profile;
}

bool AppIsEnabled(INetFwProfile* profile, const wchar_t* path) {
  ComPtr<INetFwAuthorizedApplications> apps;
  ComPtr<INetFwAuthorizedApplication> app;
  UniqueBstr name(SysAllocString(path));
  VARIANT_BOOL enabled = VARIANT_FALSE;
  HRESULT hr = profile->get_AuthorizedApplications(apps.put());
  if (FAILED(hr)) {
    PrintFailure("get_AuthorizedApplications", hr);
  } else if (!name) {
    hr = E_OUTOFMEMORY;
    PrintFailure("SysAllocString", hr);
  } else if (SUCCEEDED(apps->Item(name.get(), app.put())) && app) {
    if (FAILED(hr = app->get_Enabled(&enabled))) PrintFailure("get_Enabled", hr);
  }
  if (FAILED(hr)) PrintFailure("WindowsFirewallAppIsEnabled", hr);
  return enabled != VARIANT_FALSE;
}

void AddApp(INetFwProfile* profile, const wchar_t* path) {
  ComPtr<INetFwAuthorizedApplications> apps;
  ComPtr<INetFwAuthorizedApplication> app;
  UniqueBstr image(SysAllocString(path));
  UniqueBstr name(SysAllocString(L"Marlowgate_steup1.0.0.1"));
  HRESULT hr = profile->get_AuthorizedApplications(apps.put());
  if (SUCCEEDED(hr))
    hr = CoCreateInstance(__uuidof(NetFwAuthorizedApplication), nullptr, CLSCTX_INPROC_SERVER,
                          __uuidof(INetFwAuthorizedApplication), app.put_void());
  if (FAILED(hr)) return;
  if (FAILED(hr = app->put_ProcessImageFileName(image.get()))) {
    PrintFailure("put_ProcessImageFileName", hr);
  } else if (FAILED(hr = app->put_Name(name.get()))) {
    PrintFailure("put_Name", hr);
  } else {
    app->put_Scope(NET_FW_SCOPE_ALL);
    app->put_IpVersion(NET_FW_IP_VERSION_ANY);
    app->put_Enabled(VARIANT_TRUE);
    if (FAILED(hr = apps->Add(app.get())))
      PrintFailure("Add", hr);
    else
      std::printf("Authorized application %ls is now enabled in the firewall.\n", path);
  }
}
}  // namespace

int AuthorizeFirewallApp(const std::wstring& imagePath) {
  ComApartment apartment;
  if (!apartment.Usable()) {
    PrintFailure("CoInitializeEx", apartment.Result());
    return -1;
  }
  ComPtr<INetFwProfile> profile = OpenProfile();
  if (!profile) return -1;
  if (AppIsEnabled(profile.get(), imagePath.c_str())) {
    std::printf("Authorized application %ls is enabled in the firewall.\n", imagePath.c_str());
  } else {
    std::printf("Authorized application %ls is disabled in the firewall.\n", imagePath.c_str());
    AddApp(profile.get(), imagePath.c_str());
  }
  return 0;
}

}  // namespace win32
}  // namespace platform
