// One 1 MiB slice of a download.
#pragma once
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>

#include "engine/CTask.h"

class CDownloadTask : public CTask {
 public:
  std::string RemotePath;  // URL the slice is fetched from (narrow, ANSI code page)
  std::wstring LocalPath;  // local file path (UTF-8 in the task file)
  std::string CdnStatus;   // CDN tag seen by the size probe; empty for tasks from the task file
  std::string CdnTrace;    // CDN tags seen by this slice's own transfers (worker writes)
  int64_t StartPos = 0;    // first byte
  int64_t EndPos = 0;      // last byte, inclusive; ContentLength itself for the last slice
  std::atomic<int64_t> DownloadedPos{0};  // next byte to write
  int64_t ContentLength = 0;              // size of the remote file
  std::atomic<int32_t> RequestTimes{0};   // failed runs of this slice

  // One past the slice's last real byte. The last slice's EndPos lies one
  // past the end of the file, so the file's end bounds it.
  int64_t limit() const { return std::min(EndPos + 1, ContentLength); }
  // Complete only when every byte up to the limit was written: a transfer
  // that ends one byte short is not complete.
  bool complete() const { return DownloadedPos.load() == limit(); }
};
