// One sliced download: a driver thread pumps waiting slices into free
// workers, recycles threads and failed slices, keeps the figures and saves
// the task file as progress grows.
#pragma once
#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "engine/AutoResetEvent.h"
#include "engine/CDownloadTaskManager.h"
#include "engine/CDownloadThreadManager.h"
#include "engine/DownloadInfo.h"
#include "engine/EngineCodes.h"

class CDownloader {
 public:
  // Every size probe and worker takes its own client from the factory, which
  // outlives the downloader.
  CDownloader(const std::string& remoteUrl, const std::wstring& localPath, const std::wstring& taskFilePath,
              int threadCount, http::IHttpClientFactory& clients);
  ~CDownloader();
  CDownloader(const CDownloader&) = delete;
  CDownloader& operator=(const CDownloader&) = delete;

  // Before downloadInit: the largest announced size accepted (CDownloadTaskManager).
  void setSizeLimit(int64_t bytes) { tasks_.setSizeLimit(bytes); }
  EnumErrorCode downloadInit(bool isCdn, const std::string& tag);
  int startDownload();
  int stopDownload();
  int updateDownloadInfo();
  // After the driver ended: empties both managers, back to DOWNLOAD_READY.
  int resetDownloader();
  // Waits for the driver thread to end; false when it still runs after ms.
  bool waitDriver(int ms);
  std::string getCdnResult() const;

  DownloadInfo info() const;
  int32_t state() const { return state_.load(); }
  bool downloading() const { return downloading_.load(); }
  int64_t contentLength() const { return tasks_.contentLength(); }
  int32_t tasksCount() const { return tasks_.tasksCount(); }

  static std::string formatSize(int64_t bytes);

 private:
  // The driver thread: downloaderThread, guarded.
  void runDriver();
  void downloaderThread();
  void dispatchPass(int& savedTenths);

  int threadCount_;
  std::atomic<int32_t> state_{DOWNLOAD_READY};
  std::atomic<bool> downloading_{false};
  mutable std::mutex infoMutex_;
  DownloadInfo info_;
  CDownloadTaskManager tasks_;
  CDownloadThreadManager threads_;
  std::thread driver_;
  AutoResetEvent driverEnded_;
  std::atomic<bool> driverDone_{false};
};
