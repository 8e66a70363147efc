// What the web log asks the system about the machine. One seam, so that the
// identifier rules stay portable and tests can hand in their own machine.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace weblog {

struct AdapterInfo {
  uint32_t index = 0;          // interface index
  unsigned type = 0;           // 6 Ethernet, 71 IEEE 802.11
  std::string description;
  std::vector<uint8_t> address;  // hardware address
};

class IMachineInfo {
 public:
  virtual ~IMachineInfo() = default;
  // Serial number of the volume that holds the Windows system directory.
  virtual bool SystemVolumeSerial(uint32_t& serial) = 0;
  // The GUID text between the braces of the Windows directory's volume name;
  // empty when any part is missing.
  virtual std::string WindowsVolumeGuid() = 0;
  // The interface that would reach 8.8.8.8.
  virtual bool BestInterfaceIndex(uint32_t& index) = 0;
  virtual std::vector<AdapterInfo> Adapters() = 0;
  // A new GUID's 16 bytes in Data1..Data4 order; false when none can be made.
  virtual bool NewGuid(uint32_t& d1, uint16_t& d2, uint16_t& d3, uint8_t d4[8]) = 0;
  // Local date and time read as a calendar time with daylight saving marked
  // off, in ms since 1970.
  virtual int64_t LocalTimeStampMs() = 0;
};

// The running system's facts.
std::unique_ptr<IMachineInfo> CreateSystemMachineInfo();

}  // namespace weblog
