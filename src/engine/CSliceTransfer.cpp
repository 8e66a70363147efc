#include "engine/CSliceTransfer.h"

#include <algorithm>

#include "log/Log.h"

namespace {

// Bytes gathered before a write is tried. Fewer system calls than a write
// per network read; and larger writes made Linux's file cache fill fresh
// large pages, measured several times slower on a machine whose memory had
// just been used for smaller ones.
constexpr size_t kWriteBlock = 32 * 1024;
constexpr size_t kPendingCap = 1024 * 1024;  // gathered while another worker writes

bool IsBlankLine(const char* line, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (line[i] != '\r' && line[i] != '\n') return false;
  return true;
}

void AddCdnTag(CDownloadTask* t, const std::string& tag, bool prepend) {
  if (t->CdnTrace.empty()) {
    t->CdnTrace = tag;
    return;
  }
  t->CdnTrace = prepend ? tag + "/" + t->CdnTrace : t->CdnTrace + "/" + tag;
  if (t->CdnTrace == t->CdnStatus) t->CdnTrace.clear();
}

}  // namespace

CSliceTransfer::CSliceTransfer(platform::FileHandle file, std::mutex* writeTurn) : file_(file), writeTurn_(writeTurn) {}

void CSliceTransfer::begin(CDownloadTask* task, const std::string& url) {
  task_ = task;
  requestStart_ = task ? task->DownloadedPos.load() : 0;
  head_.restart(url);
  bodyAllowed_ = false;
  refusedLogged_ = false;
  pending_.clear();
}

bool CSliceTransfer::onHeaderLine(const char* line, size_t n) {
  if (!task_) return true;
  head_.addLine(line, n);
  if (head_.overflowed()) {
    LOG(INFO) << " HeaderCallback error5: more than " << http::ResponseHead::kMaxText << " bytes of headers";
    return false;
  }
  // Nothing is written before a head is complete; each hop of a redirect
  // chain is judged on its own.
  bodyAllowed_ = false;
  const http::ResponseHop* hop = head_.last();
  if (!hop || !IsBlankLine(line, n)) return true;
  return acceptHead(*hop);
}

bool CSliceTransfer::acceptHead(const http::ResponseHop& hop) {
  CDownloadTask* t = task_;
  if (t->ContentLength == 0) return true;
  bool rangeFits = false;
  if (const std::string* value = hop.find("Content-Range")) {
    http::ContentRange range;
    if (!http::ParseContentRange(*value, range)) {
      LOG(INFO) << " HeaderCallback error2: Content-Range: " << *value;
      return false;
    }
    if (range.total != t->ContentLength) {
      LOG(INFO) << " HeaderCallback error1: " << t->ContentLength << " != Content-Range: " << *value;
      return false;
    }
    // The first byte must be the one asked for.
    if (range.first != requestStart_) {
      LOG(INFO) << " HeaderCallback error3: range starts at " << range.first << ", asked " << requestStart_;
      return false;
    }
    rangeFits = true;
  }
  // A whole-file answer is only usable when it is the file we sliced.
  const std::string* length = hop.status == 200 ? hop.find("Content-Length") : nullptr;
  if (length && http::ParseDecimal(*length) != t->ContentLength) {
    LOG(INFO) << " HeaderCallback error4: " << t->ContentLength << " != Content-Length: " << *length;
    return false;
  }
  addCdnTags(hop);
  // A ranged request answered with the whole file (200) fits only when the
  // range started at byte 0.
  bodyAllowed_ = (hop.status == 206 && rangeFits) || (hop.status == 200 && requestStart_ == 0);
  return true;
}

void CSliceTransfer::addCdnTags(const http::ResponseHop& hop) {
  for (const http::HeaderField& f : hop.fields) {
    if (http::EqualsNoCase(f.name, "CF-RAY")) {
      size_t dash = f.value.find('-');  // the data centre follows the ray id
      if (dash != std::string::npos) AddCdnTag(task_, f.value.substr(dash + 1), true);
    } else if (http::EqualsNoCase(f.name, "CF-Cache-Status")) {
      AddCdnTag(task_, f.value, false);
    }
  }
}

size_t CSliceTransfer::onBody(const char* data, size_t n) {
  CDownloadTask* t = task_;
  if (!t) return 0;
  // Bytes of an error page, or of a response that does not start where the
  // slice does, never reach the file.
  if (!bodyAllowed_) {
    if (!refusedLogged_) {
      const http::ResponseHop* hop = head_.last();
      LOG(INFO) << " Thread: " << t->taskId.load() << " refuses the body of a " << (hop ? hop->status : 0)
                << " answer to range start " << requestStart_;
      refusedLogged_ = true;
    }
    return 0;
  }
  int64_t pos = t->DownloadedPos.load() + static_cast<int64_t>(pending_.size());
  int64_t room = t->limit() - pos;
  size_t want = room <= 0 ? 0 : static_cast<size_t>(std::min<int64_t>(room, static_cast<int64_t>(n)));
  pending_.append(data, want);
  if (pending_.size() >= kWriteBlock && !flush(pending_.size() >= kPendingCap)) return 0;
  // Bytes past the slice are cut: the short count ends the transfer.
  return want;
}

bool CSliceTransfer::flush(bool wait) {
  CDownloadTask* t = task_;
  if (!t || pending_.empty()) return true;
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
  size_t written = platform::os().WriteFileAt(file_, pos, pending_.data(), pending_.size());
  turn.unlock();
  t->DownloadedPos.store(pos + static_cast<int64_t>(written));
  bool ok = written == pending_.size();
  if (!ok) {
    LOG(INFO) << " Thread: " << t->taskId.load() << " Write Error. Task id：" << t->taskId.load()
              << " Download to:" << t->DownloadedPos.load() << " Receive:" << pending_.size() << " Write:" << written
              << " Task EndPos:" << t->EndPos;
  }
  pending_.clear();
  return ok;
}
