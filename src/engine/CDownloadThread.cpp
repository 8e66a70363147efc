#include "engine/CDownloadThread.h"

#include "engine/CLibcurlTool.h"
#include "log/Log.h"

CDownloadThread::CDownloadThread(platform::MutexHandle mutex, platform::FileHandle file, std::mutex* writeTurn)
    : CThread(mutex), file_(file), writeTurn_(writeTurn), curl_(std::make_unique<CLibcurlTool>()) {
  if (!curl_->hasHandle()) LOG(INFO) << "  m_pCurl init error !!!";
}

CDownloadThread::~CDownloadThread() {
  // The thread must end before the tool it uses goes away.
  stop();
  waitForExit(30000);
}

int CDownloadThread::run() {
  CDownloadTask* t = task();
  if (!t) return 1;
  int32_t result = TASK_FINISHED;
  if (!t->complete()) {
    transfer_ = Transfer();
    transfer_.requestStart = t->DownloadedPos.load();
    CURLcode code = curl_->httpDownloadContent(t->RemotePath, t->DownloadedPos.load(), t->EndPos,
                                               t->ContentLength, this);
    bool written = flush();  // bytes that arrived before a failure are kept too
    if (code != CURLE_OK || !written || !t->complete()) {
      t->RequestTimes.fetch_add(1);
      result = TASK_FAILED;
    }
  }
  t->status.store(result);
  return 1;
}

bool CDownloadThread::flush(bool wait) {
  CDownloadTask* t = task();
  std::string& pending = transfer_.pending;
  if (!t || pending.empty()) return true;
  // Writers take turns at the shared file. The system serialises buffered
  // writes to one file anyway, and its waiters spin; a worker that finds the
  // file busy goes on receiving instead.
  std::unique_lock<std::mutex> turn(*writeTurn_, std::defer_lock);
  if (wait) {
    turn.lock();
  } else if (!turn.try_lock()) {
    return true;
  }
  int64_t pos = t->DownloadedPos.load();
  size_t written = platform::os().WriteFileAt(file_, pos, pending.data(), pending.size());
  turn.unlock();
  t->DownloadedPos.store(pos + static_cast<int64_t>(written));
  bool ok = written == pending.size();
  if (!ok) {
    LOG(INFO) << " Thread: " << t->taskId.load() << " Write Error. Task id：" << t->taskId.load()
              << " Download to:" << t->DownloadedPos.load() << " Receive:" << pending.size() << " Write:" << written
              << " Task EndPos:" << t->EndPos;
  }
  pending.clear();
  return ok;
}
