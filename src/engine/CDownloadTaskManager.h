// Probes the remote size, cuts the file into 1 MiB slices and keeps their
// progress in the task file. Driver thread only.
#pragma once
#include <curl/curl.h>

#include <string>
#include <vector>

#include "engine/CDownloadTask.h"
#include "engine/CTaskManager.h"
#include "engine/EngineCodes.h"
#include "http/IHttpClient.h"

class CDownloadTaskManager : public CTaskManager {
 public:
  // Each size probe takes a client of its own from the factory, which outlives the manager.
  CDownloadTaskManager(const std::string& remoteUrl, const std::wstring& localPath, const std::wstring& taskFilePath,
                       http::IHttpClientFactory& clients);

  // Remote size, 0 when unknown; the remote URL becomes where redirects lead.
  int64_t getContentLength(CURLcode& code, std::string& cdnTag);
  EnumErrorCode generateDownloadTask(const std::string& tag);
  EnumErrorCode loadDownloadTask(const std::string& tag);
  bool taskFileExists() const;
  // 1 when the file held a consistent set of slices (now added), else 0.
  int loadTaskFile();
  // 1 usable, 2 the remote size changed or is over the limit, 3 the slices
  // do not tile the file.
  int checkTasks();
  int saveTaskFile();
  void resetTasks();
  bool isAllTasksFinished() const;
  int64_t getDownloadedSize() const;
  int64_t addDownloadTime(int64_t ms);
  int getRequestTimes() const;

  // Announced sizes above bytes (kMaxDownloadBytes when not positive) are
  // refused before any slice exists.
  void setSizeLimit(int64_t bytes) { sizeLimit_ = bytes > 0 ? bytes : kMaxDownloadBytes; }
  int64_t contentLength() const { return contentLength_; }
  int64_t downloadTime() const { return downloadTime_; }
  const std::string& remoteUrl() const { return remoteUrl_; }
  std::vector<CDownloadTask*> tasks() const;

 private:
  std::wstring taskFilePath_;
  std::string remoteUrl_;
  std::wstring localPath_;
  http::IHttpClientFactory& clients_;
  int64_t contentLength_ = 0;
  int64_t sizeLimit_ = kMaxDownloadBytes;
  int64_t downloadTime_ = 0;  // ms, over every resumed run
  std::string lastSaved_;     // text of the last save, to skip unchanged writes
};
