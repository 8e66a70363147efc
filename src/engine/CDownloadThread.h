// A pool worker that fetches its slice with its own HTTP client and writes it
// at the slice's offsets into the shared output file.
#pragma once
#include <memory>
#include <mutex>

#include "engine/CDownloadTask.h"
#include "engine/CSliceTransfer.h"
#include "engine/CThread.h"
#include "http/IHttpClient.h"

class CDownloadThread : public CThread {
 public:
  // writeTurn is shared by every worker of the file and outlives them.
  CDownloadThread(platform::FileHandle file, std::mutex* writeTurn, std::unique_ptr<http::IHttpClient> client);
  ~CDownloadThread() override;

  int run() override;

  CDownloadTask* task() const { return static_cast<CDownloadTask*>(currentTask()); }

 private:
  std::unique_ptr<http::IHttpClient> client_;
  CSliceTransfer slice_;
};
