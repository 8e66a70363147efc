#include "engine/CDownloadThreadManager.h"

#include "engine/CDownloadThread.h"
#include "log/Log.h"

CDownloadThreadManager::CDownloadThreadManager(const std::wstring& localPath, http::IHttpClientFactory& clients)
    : localPath_(localPath), clients_(clients) {}

CDownloadThreadManager::~CDownloadThreadManager() {
  // Workers write into the file: end them before it closes.
  stopThreads();
  releaseAllThreads();
  closeFile();
}

int CDownloadThreadManager::createThreads(int count) {
  if (!file_) file_.reset(platform::os().OpenFileForUpdate(localPath_));
  if (!file_) {
    LOG(INFO) << "local file is NULL";
    return -1;
  }
  LOG(INFO) << " Create threads and init: " << count;
  for (int i = 0; i < count; ++i) {
    auto t = std::make_unique<CDownloadThread>(file_.get(), &writeTurn_, clients_.create());
    if (t->init()) adopt(std::move(t));
  }
  return static_cast<int>(threads_.size());
}

void CDownloadThreadManager::releaseThreads() {
  releaseAllThreads();
  closeFile();
}

bool CDownloadThreadManager::setFileLength(int64_t length) {
  return file_ && platform::os().SetFileLength(file_.get(), length);
}

void CDownloadThreadManager::closeFile() {
  file_.reset();
}
