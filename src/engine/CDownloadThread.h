// A pool worker that fetches its slice with its own HTTP tool and writes it
// at the slice's offsets into the shared output file.
#pragma once
#include <memory>
#include <mutex>
#include <string>

#include "engine/CDownloadTask.h"
#include "engine/CThread.h"

class CLibcurlTool;

class CDownloadThread : public CThread {
 public:
  // writeTurn is shared by every worker of the file and outlives them.
  CDownloadThread(platform::MutexHandle mutex, platform::FileHandle file, std::mutex* writeTurn);
  ~CDownloadThread() override;

  int run() override;

  CDownloadTask* task() const { return static_cast<CDownloadTask*>(currentTask()); }
  platform::FileHandle file() const { return file_; }

  // What the callbacks of one ranged transfer know about the response.
  struct Transfer {
    int64_t requestStart = 0;  // first byte asked for
    long status = 0;           // status of the response being received
    bool rangeChecked = false; // a Content-Range that starts at requestStart was seen
    bool bodyAllowed = false;  // the body's bytes belong at requestStart onwards
    bool refusedLogged = false;
    std::string pending;       // received bytes not yet written, for DownloadedPos onwards
  };
  // Writes the pending bytes at DownloadedPos and advances it; false on a
  // short write. Unless told to wait, a writer that finds another one at the
  // file keeps its bytes and gathers on.
  bool flush(bool wait = true);
  Transfer& transfer() { return transfer_; }

 private:
  platform::FileHandle file_;  // not owned
  std::mutex* writeTurn_;      // not owned
  std::unique_ptr<CLibcurlTool> curl_;
  Transfer transfer_;
};
