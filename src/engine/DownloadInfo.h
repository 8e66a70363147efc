// The figures of one download, kept by the driver thread and polled (as a
// copy) by the supervisor.
#pragma once
#include <cstdint>
#include <string>

struct DownloadInfo {
  uint64_t tick = 0;                   // ms tick count of the last update
  int64_t downloaded = 0;              // bytes in the file so far
  std::string speed = "0.0B/S";        // current speed, formatSize + "/S"
  double percent = 0;                  // downloaded / ContentLength x 100, two decimals
  int64_t totalTime = 0;               // ms spent downloading, all runs
  std::string averageSpeed = "0.0B/S"; // formatSize(average) + "/S"
  int32_t requestTimes = 0;            // failed slice runs in total

  // Bytes per second over the whole download; 0 before any time passed.
  int64_t getAverageSpeed() const { return totalTime == 0 ? 0 : downloaded / totalTime * 1000; }
};
