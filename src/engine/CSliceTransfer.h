// What one ranged transfer of a slice receives: the response heads are read
// to decide whether the body belongs at the slice's offsets (and to collect
// the CDN tags), the body's bytes are gathered and written into the shared
// package file.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>

#include "engine/CDownloadTask.h"
#include "http/IHttpClient.h"
#include "http/ResponseHead.h"
#include "platform/Platform.h"

class CSliceTransfer final : public http::ITransferSink {
 public:
  // writeTurn is shared by every worker of the file and outlives them.
  CSliceTransfer(platform::FileHandle file, std::mutex* writeTurn);

  // A new transfer of the task's bytes from DownloadedPos on, asked of url.
  void begin(CDownloadTask* task, const std::string& url);

  bool onHeaderLine(const char* line, size_t n) override;
  size_t onBody(const char* data, size_t n) override;
  int32_t transferId() const override { return task_ ? task_->taskId.load() : 0; }

  // Writes the gathered bytes at DownloadedPos and advances it; false on a
  // short write. Unless told to wait, a writer that finds another one at the
  // file keeps its bytes and gathers on.
  bool flush(bool wait = true);

  const http::ResponseHead& head() const { return head_; }

 private:
  // At the end of each head: may its body be written? False aborts.
  bool acceptHead(const http::ResponseHop& hop);
  void addCdnTags(const http::ResponseHop& hop);

  platform::FileHandle file_;  // not owned
  std::mutex* writeTurn_;      // not owned
  CDownloadTask* task_ = nullptr;
  int64_t requestStart_ = 0;   // first byte asked for
  http::ResponseHead head_;
  bool bodyAllowed_ = false;   // the current response's bytes belong at requestStart_ onwards
  bool refusedLogged_ = false;
  std::string pending_;        // received bytes not yet written, for DownloadedPos onwards
};
