#include "engine/CDownloadThread.h"

#include "log/Log.h"

CDownloadThread::CDownloadThread(platform::FileHandle file, std::mutex* writeTurn,
                                 std::unique_ptr<http::IHttpClient> client)
    : client_(std::move(client)), slice_(file, writeTurn) {
  if (!client_->hasHandle()) LOG(INFO) << "  m_pCurl init error !!!";
}

CDownloadThread::~CDownloadThread() {
  // The thread must end before the client and the transfer it uses go away.
  stop();
  waitForExit(30000);
}

int CDownloadThread::run() {
  CDownloadTask* t = task();
  if (!t) return 1;
  int32_t result = TASK_FINISHED;
  if (!t->complete()) {
    slice_.begin(t, t->RemotePath);
    CURLcode code =
        client_->httpDownloadContent(t->RemotePath, t->DownloadedPos.load(), t->EndPos, t->ContentLength, &slice_);
    bool written = slice_.flush();  // bytes that arrived before a failure are kept too
    if (code != CURLE_OK || !written || !t->complete()) {
      t->RequestTimes.fetch_add(1);
      result = TASK_FAILED;
    }
  }
  t->status.store(result);
  return 1;
}
