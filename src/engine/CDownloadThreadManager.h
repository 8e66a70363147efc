// Opens the package file once and starts the download workers that share it,
// each with its own HTTP client.
#pragma once
#include <mutex>
#include <string>

#include "engine/CThreadManager.h"
#include "http/IHttpClient.h"
#include "platform/OwnedHandles.h"

class CDownloadThreadManager : public CThreadManager {
 public:
  // The factory outlives the manager.
  CDownloadThreadManager(const std::wstring& localPath, http::IHttpClientFactory& clients);
  ~CDownloadThreadManager() override;

  // -1 when the local file cannot be opened, else the number of threads started.
  int createThreads(int count) override;
  // Closes the file and forgets every thread (they must have been stopped).
  void releaseThreads();
  // Gives the file its final size, so that a partial file already has the
  // remote size and is resumed rather than thrown away.
  bool setFileLength(int64_t length);
  platform::FileHandle file() const { return file_.get(); }

 private:
  void closeFile();

  platform::OwnedFile file_;
  std::mutex writeTurn_;  // one writer at the file at a time
  std::wstring localPath_;
  http::IHttpClientFactory& clients_;
};
