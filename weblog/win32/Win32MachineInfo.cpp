// The machine's facts from the Windows APIs.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <objbase.h>

#include <ctime>
#include <vector>

#include "platform/Utf.h"
#include "weblog/MachineInfo.h"

namespace weblog {
namespace {

std::wstring DriveRootOf(const std::wstring& path) {
  return path.size() >= 3 && path[1] == L':' ? path.substr(0, 3) : std::wstring();
}

class Win32MachineInfo final : public IMachineInfo {
 public:
  bool SystemVolumeSerial(uint32_t& serial) override {
    wchar_t dir[MAX_PATH] = {0};
    if (!GetSystemDirectoryW(dir, MAX_PATH)) return false;
    std::wstring root = DriveRootOf(dir);
    if (root.empty()) return false;
    DWORD s = 0;
    if (!GetVolumeInformationW(root.c_str(), nullptr, 0, &s, nullptr, nullptr, nullptr, 0)) return false;
    serial = s;
    return true;
  }

  std::string WindowsVolumeGuid() override {
    wchar_t dir[MAX_PATH] = {0};
    if (!GetWindowsDirectoryW(dir, MAX_PATH)) return {};
    std::wstring root = DriveRootOf(dir);
    if (root.empty()) return {};
    wchar_t name[MAX_PATH] = {0};
    if (!GetVolumeNameForVolumeMountPointW(root.c_str(), name, MAX_PATH)) return {};
    std::wstring n = name;
    size_t open = n.find(L'{'), close = n.find(L'}');
    if (open == std::wstring::npos || close == std::wstring::npos || close <= open) return {};
    return platform::Utf8FromWide(n.substr(open + 1, close - open - 1));
  }

  bool BestInterfaceIndex(uint32_t& index) override {
    DWORD idx = 0;
    // 8.8.8.8 in network byte order.
    if (GetBestInterface(inet_addr("8.8.8.8"), &idx) != NO_ERROR) return false;
    index = idx;
    return true;
  }

  std::vector<AdapterInfo> Adapters() override {
    std::vector<AdapterInfo> out;
    ULONG size = sizeof(IP_ADAPTER_INFO);
    std::vector<unsigned char> buf(size);
    DWORD rc = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buf.data()), &size);
    if (rc == ERROR_BUFFER_OVERFLOW) {
      buf.resize(size);
      rc = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buf.data()), &size);
    }
    if (rc != NO_ERROR) return out;
    for (auto* a = reinterpret_cast<IP_ADAPTER_INFO*>(buf.data()); a; a = a->Next) {
      AdapterInfo info;
      info.index = a->Index;
      info.type = a->Type;
      info.description = a->Description;
      info.address.assign(a->Address, a->Address + (a->AddressLength > 8 ? 8 : a->AddressLength));
      out.push_back(info);
    }
    return out;
  }

  bool NewGuid(uint32_t& d1, uint16_t& d2, uint16_t& d3, uint8_t d4[8]) override {
    GUID g;
    if (CoCreateGuid(&g) != S_OK) return false;
    d1 = g.Data1;
    d2 = g.Data2;
    d3 = g.Data3;
    for (int i = 0; i < 8; ++i) d4[i] = g.Data4[i];
    return true;
  }

  int64_t LocalTimeStampMs() override {
    SYSTEMTIME st;
    GetLocalTime(&st);
    struct tm t = {};
    t.tm_year = st.wYear - 1900;
    t.tm_mon = st.wMonth - 1;
    t.tm_mday = st.wDay;
    t.tm_hour = st.wHour;
    t.tm_min = st.wMinute;
    t.tm_sec = st.wSecond;
    t.tm_isdst = 0;
    return static_cast<int64_t>(_mktime64(&t)) * 1000 + st.wMilliseconds;
  }
};

}  // namespace

std::unique_ptr<IMachineInfo> CreateSystemMachineInfo() { return std::make_unique<Win32MachineInfo>(); }

}  // namespace weblog
