#include "weblog/Identifiers.h"

#include <cstdio>

#include "FuntionImpl/Md5.h"

namespace weblog {

const AdapterInfo* ChooseAdapter(const std::vector<AdapterInfo>& adapters, bool haveBest, uint32_t bestIndex) {
  if (haveBest) {
    for (const AdapterInfo& a : adapters)
      if (a.index == bestIndex) return &a;
    return nullptr;
  }
  for (const AdapterInfo& a : adapters) {
    bool physical = a.description.find("PCI") != std::string::npos || a.type == 6 || a.type == 71;
    if (!physical) continue;
    if (a.description.find("Bluetooth") != std::string::npos) continue;
    if (a.description.find("Virtual") != std::string::npos) continue;
    if (a.address.size() != 6) continue;
    return &a;
  }
  return nullptr;
}

std::string MacText(IMachineInfo& info) {
  uint32_t best = 0;
  bool haveBest = info.BestInterfaceIndex(best);
  std::vector<AdapterInfo> adapters = info.Adapters();
  const AdapterInfo* a = ChooseAdapter(adapters, haveBest, best);
  if (!a) return {};
  std::string out;
  char hex[3];
  for (uint8_t b : a->address) {
    std::snprintf(hex, sizeof hex, "%02X", b);
    out += hex;
  }
  return out;
}

std::string ClientId(IMachineInfo& info) {
  std::string serial;
  uint32_t s = 0;
  if (info.SystemVolumeSerial(s)) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", s);
    serial = buf;
  }
  return serial + MacText(info);
}

std::string MachineId(IMachineInfo& info) {
  std::string guid = info.WindowsVolumeGuid();
  return guid.empty() ? std::string() : FuntionImpl::Md5Hex(guid);
}

std::string MakeSessionId(IMachineInfo& info) {
  uint32_t d1 = 0;
  uint16_t d2 = 0, d3 = 0;
  uint8_t d4[8] = {0};
  if (!info.NewGuid(d1, d2, d3, d4)) return {};
  char buf[40];
  // The third group is lower case: the receivers' session ids were always made so.
  std::snprintf(buf, sizeof buf, "%08X%04X%04x%02X%02X%02X%02X%02X%02X%02X%02X", d1, d2, d3, d4[0], d4[1], d4[2],
                d4[3], d4[4], d4[5], d4[6], d4[7]);
  return buf;
}

std::string OsNameFor(const platform::OsVersion& nt, const platform::OsVersion& v) {
  if (!v.ok) return "unknown OperatingSystem.";
  unsigned major = v.major, minor = v.minor;
  // A workstation whose true version is 10 or more is named as 10.0 even
  // when the compatibility layer reports 6.2.
  if (major == 6 && minor == 2 && v.workstation && nt.ok && nt.major >= 10) {
    major = 10;
    minor = 0;
  }
  unsigned build = nt.ok ? nt.build : v.build;
  bool ws = v.workstation;
  switch (major) {
    case 4:
      if (minor == 0) return v.platformId == 2 ? "Microsoft Windows NT 4.0" : "Microsoft Windows 95";
      if (minor == 10) return "Microsoft Windows 98";
      if (minor == 90) return "Microsoft Windows Me";
      break;
    case 5:
      if (minor == 0) return "Windows 2000";
      if (minor == 1) return "Windows XP";
      if (minor == 2) {
        if (ws && v.x64Processor) return "Windows XP Professional x64 Edition";
        return v.serverR2 ? "Windows Server 2003 R2" : "Windows Server 2003";
      }
      break;
    case 6:
      if (minor == 0) return ws ? "Windows Vista" : "Windows Server 2008";
      if (minor == 1) return ws ? "Windows 7" : "Windows Server 2008 R2";
      if (minor == 2) return ws ? "Windows 8" : "Windows Server 2012";
      if (minor == 3) return ws ? "Windows 8.1" : "Windows Server 2012 R2";
      break;
    case 10:
      if (minor == 0) {
        if (!ws) return "Windows Server 2016 Technical Preview";
        return build >= 22000 ? "Windows 11" : "Windows 10";
      }
      break;
  }
  return "unknown OperatingSystem.";
}

std::string OsVersionText() {
  platform::Os& os = platform::os();
  platform::OsVersion nt = os.NtVersion();
  platform::OsVersion legacy = os.LegacyVersion();
  // The compatibility view hides the true numbers; the true ones win when known.
  if (nt.ok) {
    legacy.major = nt.major;
    legacy.minor = nt.minor;
    legacy.build = nt.build;
    legacy.ok = true;
  }
  return OsNameFor(nt, legacy) + (os.Is64BitSystem() ? " x64" : " x32");
}

}  // namespace weblog
