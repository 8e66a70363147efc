#include "engine/CDownloader.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "FuntionImpl/GuardedRun.h"
#include "log/Log.h"

namespace {
// Longest pause of the driver between passes. A worker that finishes a
// slice, a start and a stop wake it at once, so the pause only paces the
// figures and the task-file saves.
constexpr int kDriverPassMs = 100;
uint64_t Now() { return platform::os().TickCount(); }
}  // namespace

CDownloader::CDownloader(const std::string& remoteUrl, const std::wstring& localPath,
                         const std::wstring& taskFilePath, int threadCount, http::IHttpClientFactory& clients)
    : threadCount_(threadCount), tasks_(remoteUrl, localPath, taskFilePath, clients), threads_(localPath, clients) {
  info_.tick = Now();
  driver_ = std::thread(&CDownloader::runDriver, this);
}

void CDownloader::runDriver() {
  if (FuntionImpl::RunGuarded("Download driver", [this] { downloaderThread(); })) return;
  // Ends as a stopped download: incomplete unless every slice is in.
  state_.store(DOWNLOAD_STOP);
  FuntionImpl::RunGuarded("Download driver", [this] { threads_.stopThreads(); });
  driverEnded_.Set();
}

CDownloader::~CDownloader() {
  // The driver uses both managers: it must have ended before they go away,
  // however long that takes.
  stopDownload();
  if (driver_.joinable()) driver_.join();
}

bool CDownloader::waitDriver(int ms) {
  if (driverDone_.load()) return true;
  if (!driver_.joinable()) return true;
  if (driverEnded_.WaitFor(ms)) driverDone_.store(true);
  return driverDone_.load();
}

EnumErrorCode CDownloader::downloadInit(bool /*isCdn*/, const std::string& tag) {
  int n = threads_.createThreads(threadCount_);
  if (n == -1) return DOWNLOAD_FILE_OPEN;
  if (n == 0) {
    LOG(INFO) << " [Error]: " << " createThreads is empty";
    return DOWNLOAD_NO_THREADS;
  }
  EnumErrorCode r = tasks_.loadDownloadTask(tag);
  if (r != DOWNLOAD_SUCCESS) {
    LOG(INFO) << " [Error]: " << "error to loadDownloadTask";
    return r;
  }
  // The file takes its final size at once: a partial file then still has
  // the remote size and is resumed rather than thrown away as stale.
  if (!threads_.setFileLength(tasks_.contentLength())) {
    LOG(INFO) << " [Error]: " << "cannot size the local file";
    return DOWNLOAD_FILE_OPEN;
  }
  downloading_.store(false);
  return DOWNLOAD_SUCCESS;
}

int CDownloader::startDownload() {
  state_.store(DOWNLOAD_RUN);
  threads_.wakeWaiter();
  return 1;
}

int CDownloader::stopDownload() {
  state_.store(DOWNLOAD_STOP);
  threads_.wakeWaiter();
  return 1;
}

void CDownloader::dispatchPass(int& savedTenths) {
  double percent;
  {
    std::lock_guard<std::mutex> lock(infoMutex_);
    percent = info_.percent;
  }
  if (savedTenths < percent / 10) {
    ++savedTenths;
    tasks_.saveTaskFile();
  }
  if (!tasks_.hasUnfinishedTasks() && !threads_.hasBusyThreads()) {
    state_.store(DOWNLOAD_STOP);
    LOG(INFO) << " Download will stop";
    return;
  }
  downloading_.store(true);
  threads_.recycleThreads();
  tasks_.recycleTasks();
  updateDownloadInfo();
  while (tasks_.hasWaitingTasks() && threads_.hasFreeThreads()) threads_.giveTaskToAThreadTodo(tasks_.getOneTask());
}

void CDownloader::downloaderThread() {
  int savedTenths = 0;
  for (;;) {
    int32_t s = state_.load();
    if (s == DOWNLOAD_STOP) {
      if (!threads_.hasBusyThreads()) break;
      threads_.recycleThreads();
      tasks_.recycleTasks();
      updateDownloadInfo();
    } else if (s == DOWNLOAD_RUN) {
      dispatchPass(savedTenths);
      if (state_.load() == DOWNLOAD_STOP) continue;
      // The pass may have recycled the last slice: decide at once.
      if (!tasks_.hasUnfinishedTasks() && !threads_.hasBusyThreads()) continue;
    }
    threads_.waitForIdleThread(kDriverPassMs);  // also after a stop: no spinning
  }
  if (!tasks_.isAllTasksFinished() && tasks_.tasksCount() > 0) {
    LOG(INFO) << " Stopping Download," << "Mission Failed";
    tasks_.saveTaskFile();
  }
  threads_.stopThreads();
  updateDownloadInfo();
  LOG(INFO) << " Stopping Download," << "Update DownloadInfo";
  if (tasks_.tasksCount() > 0) tasks_.saveTaskFile();
  LOG(INFO) << " Download Stopped！";
  driverEnded_.Set();
}

int CDownloader::updateDownloadInfo() {
  uint64_t now = Now();
  int64_t downloaded = tasks_.getDownloadedSize();
  DownloadInfo last = info();
  int64_t total = tasks_.contentLength();
  auto percentOf = [total](int64_t bytes) {
    return total > 0 ? std::floor(static_cast<double>(bytes) / total * 10000) / 100 : 0.0;
  };
  if (now == last.tick) {
    // No time passed for the speeds, but the byte count must not lag: the
    // final figures after a stop decide whether the download is complete.
    std::lock_guard<std::mutex> lock(infoMutex_);
    info_.downloaded = downloaded;
    info_.percent = percentOf(downloaded);
    info_.requestTimes = tasks_.getRequestTimes();
    return 1;
  }
  int64_t elapsed = static_cast<int64_t>(now - last.tick);
  DownloadInfo next;
  next.tick = now;
  next.downloaded = downloaded;
  next.totalTime = tasks_.addDownloadTime(elapsed);
  next.speed = formatSize((downloaded - last.downloaded) * 1000 / elapsed) + "/S";
  next.percent = percentOf(downloaded);
  next.averageSpeed = formatSize(next.getAverageSpeed()) + "/S";
  next.requestTimes = tasks_.getRequestTimes();
  std::lock_guard<std::mutex> lock(infoMutex_);
  info_ = next;
  return 1;
}

int CDownloader::resetDownloader() {
  // Only after the driver ended may the managers be emptied.
  stopDownload();
  if (driver_.joinable()) driver_.join();
  tasks_.clearTasks();
  threads_.releaseThreads();
  state_.store(DOWNLOAD_READY);
  std::lock_guard<std::mutex> lock(infoMutex_);
  info_.tick = Now();
  return 1;
}

DownloadInfo CDownloader::info() const {
  std::lock_guard<std::mutex> lock(infoMutex_);
  return info_;
}

std::string CDownloader::getCdnResult() const {
  const auto& taken = tasks_.takenTasks();
  if (taken.empty()) return {};
  std::string status = static_cast<const CDownloadTask*>(taken.back())->CdnStatus;
  std::string trace;
  for (const CTask* t : taken) {
    const std::string& tr = static_cast<const CDownloadTask*>(t)->CdnTrace;
    if (!tr.empty()) trace += tr + ";";
  }
  if (trace.empty()) return {};
  return "T(" + status + ");C(" + trace + ")";
}

std::string CDownloader::formatSize(int64_t v) {
  if (v <= 0) return "0.00B";
  struct Unit {
    int64_t size;  // bytes in one unit
    char letter;
  };
  static const Unit kUnits[] = {{int64_t(1) << 30, 'G'}, {int64_t(1) << 20, 'M'}, {1024, 'K'}, {1, 'B'}};
  int64_t counts[4] = {0, 0, 0, 0};
  int64_t rest = v;
  for (int i = 0; i < 3; ++i) {
    if (rest > kUnits[i].size) {
      counts[i] = rest / kUnits[i].size;
      rest %= kUnits[i].size;
    }
  }
  counts[3] = rest;
  int top = 0;
  while (top < 3 && counts[top] == 0) ++top;
  double value = static_cast<double>(counts[top]);
  if (top < 3) value += static_cast<double>(counts[top + 1]) / 1024;
  value = std::floor(value * 100) / 100;
  std::ostringstream s;
  s << value << kUnits[top].letter;
  return s.str();
}
