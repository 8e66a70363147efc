// Receives the progress of a download. The main window implements it by
// posting a message, so the call never blocks the download's watch loop.
#pragma once
#include <cstdint>

class IDownloadOwner {
 public:
  virtual ~IDownloadOwner() = default;
  virtual void OnDownloadProgress(int64_t downloaded, int64_t total) = 0;
};
