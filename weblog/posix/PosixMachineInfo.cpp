// The machine's facts on Linux: /etc/machine-id stands in for the volume,
// /sys/class/net for the adapters and the default route for the best
// interface.
#include <sys/time.h>

#include <ctime>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/Platform.h"
#include "platform/Utf.h"
#include "weblog/MachineInfo.h"

namespace weblog {
namespace {

std::string ReadLine(const std::string& path) {
  std::ifstream f(path);
  std::string line;
  std::getline(f, line);
  return line;
}

class PosixMachineInfo final : public IMachineInfo {
 public:
  bool SystemVolumeSerial(uint32_t& serial) override {
    std::string id = ReadLine("/etc/machine-id");
    if (id.size() < 8) return false;
    serial = static_cast<uint32_t>(std::stoul(id.substr(0, 8), nullptr, 16));
    return true;
  }

  std::string WindowsVolumeGuid() override {
    std::string id = ReadLine("/etc/machine-id");
    if (id.size() != 32) return {};
    return id.substr(0, 8) + "-" + id.substr(8, 4) + "-" + id.substr(12, 4) + "-" + id.substr(16, 4) + "-" +
           id.substr(20);
  }

  bool BestInterfaceIndex(uint32_t& index) override {
    std::ifstream f("/proc/net/route");
    std::string line;
    std::getline(f, line);  // header
    while (std::getline(f, line)) {
      std::istringstream in(line);
      std::string iface, dest;
      in >> iface >> dest;
      if (dest != "00000000") continue;
      std::string idx = ReadLine("/sys/class/net/" + iface + "/ifindex");
      if (idx.empty()) return false;
      index = static_cast<uint32_t>(std::stoul(idx));
      return true;
    }
    return false;
  }

  std::vector<AdapterInfo> Adapters() override {
    std::vector<AdapterInfo> out;
    for (const std::wstring& wname : platform::os().ListDirectory(L"/sys/class/net")) {
      std::string name = platform::Utf8FromWide(wname);
      std::string base = "/sys/class/net/" + name + "/";
      AdapterInfo a;
      std::string idx = ReadLine(base + "ifindex");
      if (idx.empty()) continue;
      a.index = static_cast<uint32_t>(std::stoul(idx));
      a.type = ReadLine(base + "type") == "1" ? 6 : 24;  // ARPHRD_ETHER, else "loopback/other"
      if (platform::os().FileExists(platform::WideFromUtf8(base + "wireless"))) a.type = 71;
      a.description = name;
      std::string mac = ReadLine(base + "address");
      for (size_t i = 0; i + 1 < mac.size(); i += 3) a.address.push_back(static_cast<uint8_t>(std::stoul(mac.substr(i, 2), nullptr, 16)));
      out.push_back(a);
    }
    return out;
  }

  bool NewGuid(uint32_t& d1, uint16_t& d2, uint16_t& d3, uint8_t d4[8]) override {
    std::random_device rd;
    d1 = rd();
    uint32_t r = rd();
    d2 = static_cast<uint16_t>(r);
    d3 = static_cast<uint16_t>((r >> 16 & 0x0FFF) | 0x4000);  // version 4
    uint32_t a = rd(), b = rd();
    for (int i = 0; i < 4; ++i) {
      d4[i] = static_cast<uint8_t>(a >> (8 * i));
      d4[4 + i] = static_cast<uint8_t>(b >> (8 * i));
    }
    d4[0] = static_cast<uint8_t>((d4[0] & 0x3F) | 0x80);
    return true;
  }

  int64_t LocalTimeStampMs() override {
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    time_t now = tv.tv_sec;
    struct tm t;
    localtime_r(&now, &t);
    t.tm_isdst = 0;
    return static_cast<int64_t>(mktime(&t)) * 1000 + tv.tv_usec / 1000;
  }
};

}  // namespace

std::unique_ptr<IMachineInfo> CreateSystemMachineInfo() { return std::make_unique<PosixMachineInfo>(); }

}  // namespace weblog
