#include "engine/CDownloadThreadManager.h"

#include "engine/CDownloadThread.h"
#include "log/Log.h"

CDownloadThreadManager::CDownloadThreadManager(const std::string& localPath) : localPath_(localPath) {}

CDownloadThreadManager::~CDownloadThreadManager() {
  // Workers write into the file: end them before it closes.
  stopThreads();
  releaseAllThreads();
  closeFile();
}

int CDownloadThreadManager::createThreads(int count) {
  if (!file_) file_ = platform::os().OpenFileForUpdate(platform::os().AnsiToWide(localPath_));
  if (!file_) {
    LOG(INFO) << "local file is NULL";
    return -1;
  }
  LOG(INFO) << " Create threads and init: " << count;
  for (int i = 0; i < count; ++i) {
    auto t = std::make_unique<CDownloadThread>(mutex_, file_, &writeTurn_);
    if (t->init()) adopt(std::move(t));
  }
  return static_cast<int>(threads_.size());
}

void CDownloadThreadManager::releaseThreads() {
  releaseAllThreads();
  closeFile();
}

bool CDownloadThreadManager::setFileLength(int64_t length) {
  return file_ && platform::os().SetFileLength(file_, length);
}

void CDownloadThreadManager::closeFile() {
  if (file_) platform::os().CloseFile(file_);
  file_ = 0;
}
