#include "engine/CDownloadTaskManager.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "engine/IEngineEvents.h"
#include "engine/TaskFile.h"
#include "log/Log.h"
#include "platform/Platform.h"

namespace {

constexpr int kProbeTries = 5;           // size probes before giving up
constexpr int kMaxProbeRequests = 10;    // header requests of one probe

// The CDN tag of a probe's answer: data centre and cache status from the
// CF-RAY and CF-Cache-Status fields, else the X-Cache field. False when the
// answer carries neither.
bool ReadCdnTag(const http::ResponseHead& head, std::string& tag) {
  for (auto hop = head.hops().rbegin(); hop != head.hops().rend(); ++hop) {
    const std::string* ray = hop->find("CF-RAY");
    const std::string* cache = hop->find("CF-Cache-Status");
    size_t dash = ray ? ray->find('-') : std::string::npos;
    if (cache && dash != std::string::npos) {
      tag = ray->substr(dash + 1) + "/" + *cache;
      LOG(INFO) << " Cdn result: " << *cache << ", " << tag;
      return true;
    }
    if (const std::string* xcache = hop->find("X-Cache")) {
      tag = *xcache;
      LOG(INFO) << " Cdn result: " << tag;
      return true;
    }
  }
  return false;
}

// Where the probe must ask again: the address after "back_url=" in a
// Location of the chain (the real file behind a checking hop), or where the
// chain went on when the client stopped following it. Empty when the last
// response is the answer.
std::string NextProbeAddress(const http::ResponseHead& head) {
  for (const http::ResponseHop& hop : head.hops()) {
    std::string target = hop.location();
    size_t back = target.find("back_url=");
    if (back != std::string::npos) return http::ResolveUrl(target, target.substr(back + 9));
  }
  const http::ResponseHop* last = head.last();
  return last && last->redirects() ? last->location() : std::string();
}

// The file's size from the answer's Content-Range total, else its
// Content-Length; 0 when neither tells.
int64_t AnnouncedSize(const http::ResponseHop& answer) {
  int64_t size = -1;
  if (const std::string* range = answer.find("Content-Range")) {
    http::ContentRange parsed;
    if (http::ParseContentRange(*range, parsed)) size = parsed.total;
  } else if (const std::string* length = answer.find("Content-Length")) {
    size = http::ParseDecimal(*length);
  }
  return size < 0 ? 0 : size;
}

}  // namespace

CDownloadTaskManager::CDownloadTaskManager(const std::string& remoteUrl, const std::wstring& localPath,
                                           const std::wstring& taskFilePath, http::IHttpClientFactory& clients)
    : taskFilePath_(taskFilePath), remoteUrl_(remoteUrl), localPath_(localPath), clients_(clients) {}

int64_t CDownloadTaskManager::getContentLength(CURLcode& code, std::string& cdnTag) {
  code = CURLE_OK;
  std::unique_ptr<http::IHttpClient> client = clients_.create();
  http::ResponseHead head;
  long status = 0;
  for (int requests = 1;; ++requests) {
    LOG(INFO) << "befor getContentLength GetHeader";
    code = client->GetHeader(remoteUrl_, head, status);
    LOG(INFO) << "after getContentLength GetHeader";
    if (ReadCdnTag(head, cdnTag)) engineEvents().event("Download", "3.CDNStatus", cdnTag);

    std::string next = NextProbeAddress(head);
    if (next.empty()) {
      // Slices go straight to where the redirects led.
      if (code == CURLE_OK) remoteUrl_ = head.finalUrl();
      break;
    }
    remoteUrl_ = next;
    // Bounded whatever the server does: a chain that never ends is given up.
    if (requests >= kMaxProbeRequests) {
      LOG(INFO) << " Get Contentlength = " << 0
                << (code == CURLE_TOO_MANY_REDIRECTS ? ", error CURLE_TOO_MANY_REDIRECTS" : ", too many hops");
      if (code == CURLE_OK) code = CURLE_TOO_MANY_REDIRECTS;
      return 0;
    }
  }
  const http::ResponseHop* answer = head.last();
  if (code != CURLE_OK || !answer) return 0;
  // The length of an error page is not the package's size.
  if (status < 200 || status > 299) {
    LOG(INFO) << " Get Contentlength = 0, status " << status;
    return 0;
  }
  if (!answer->has("Content-Range") && !answer->has("Content-Length")) return 0;
  int64_t size = AnnouncedSize(*answer);
  LOG(INFO) << " Get Contentlength = " << size;
  return size;
}

EnumErrorCode CDownloadTaskManager::generateDownloadTask(const std::string& tag) {
  std::vector<std::string> attempts;
  int64_t size = 0;
  CURLcode code = CURLE_OK;
  std::string cdnTag;
  for (int i = 0; i < kProbeTries; ++i) {
    size = getContentLength(code, cdnTag);
    if (size > 0) {
      attempts.push_back("Success");
      break;
    }
    attempts.push_back("error:" + std::to_string(static_cast<int>(code)));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  while (attempts.size() < 5) attempts.push_back("Null");
  std::string joined = attempts[0] + "/" + attempts[1] + "/" + attempts[2] + "/" + attempts[3] + "/" + attempts[4];
  if (!tag.empty()) engineEvents().event("Other", "Download", joined);
  LOG(INFO) << " GetSize: " << tag << ", " << joined;
  if (size <= 0) {
    LOG(INFO) << " [Error]: " << "Get ContentLength Fail, tried 5 times";
    return code == CURLE_TOO_MANY_REDIRECTS ? DOWNLOAD_TOO_MANY_REDIRECTS : DOWNLOAD_SIZE_UNKNOWN;
  }
  if (size > sizeLimit_) {
    LOG(INFO) << " [Error]: announced size " << size << " is over " << sizeLimit_;
    return DOWNLOAD_TOO_LARGE;
  }
  contentLength_ = size;
  int32_t n = taskfile::SliceCount(size);
  for (int32_t k = 1; k <= n; ++k) {
    auto t = std::make_unique<CDownloadTask>();
    t->status.store(TASK_WAITING);
    t->taskId.store(k);
    t->StartPos = taskfile::SliceStart(k);
    t->EndPos = taskfile::SliceEnd(k, n, size);
    t->DownloadedPos.store(t->StartPos);
    t->RemotePath = remoteUrl_;
    t->LocalPath = localPath_;
    t->CdnStatus = cdnTag;
    t->ContentLength = size;
    addTask(std::move(t));
  }
  return DOWNLOAD_SUCCESS;
}

EnumErrorCode CDownloadTaskManager::loadDownloadTask(const std::string& tag) {
  if (taskFileExists()) {
    if (loadTaskFile() == 1 && checkTasks() == 1) {
      LOG(INFO) << " Load tasks from file success!";
      return DOWNLOAD_SUCCESS;
    }
    LOG(INFO) << " taskinfo file error";
    resetTasks();
  }
  return generateDownloadTask(tag);
}

bool CDownloadTaskManager::taskFileExists() const {
  return platform::os().FileSize(taskFilePath_) >= 0;
}

int CDownloadTaskManager::loadTaskFile() {
  const std::wstring& path = taskFilePath_;
  int64_t size = platform::os().FileSize(path);
  if (size < 0 || static_cast<uint64_t>(size) > taskfile::kMaxFileBytes) return 0;
  std::string text;
  if (!platform::os().ReadFile(path, text)) return 0;
  TaskFileContent content;
  std::string error;
  if (!taskfile::Parse(text, content, error)) {
    LOG(INFO) << " taskinfo file refused: " << error;
    return 0;
  }
  contentLength_ = content.contentLength;
  downloadTime_ = content.downloadTime;
  for (auto& t : content.tasks) addTask(std::move(t));
  return 1;
}

int CDownloadTaskManager::checkTasks() {
  CURLcode code;
  std::string tag;
  if (contentLength_ > sizeLimit_ || getContentLength(code, tag) != contentLength_) return 2;
  int64_t e = 0;
  for (CDownloadTask* t : tasks()) {
    // The address comes from this run's probe, never from the file on disk.
    t->RemotePath = remoteUrl_;
    t->LocalPath = localPath_;
    if (t->StartPos != static_cast<int64_t>(t->taskId.load() - 1) * kSliceSize || t->StartPos != e) return 3;
    e = t->EndPos + 1;
  }
  return e == contentLength_ + 1 ? 1 : 3;
}

int CDownloadTaskManager::saveTaskFile() {
  std::vector<const CDownloadTask*> list;
  for (CDownloadTask* t : tasks()) list.push_back(t);
  std::string text = taskfile::Serialize(tasksCount(), contentLength_, downloadTime_, list);
  if (text == lastSaved_) return 1;
  // Written beside and renamed, so a reader (or a crash) never sees half a file.
  const std::wstring& path = taskFilePath_;
  std::wstring tmp = path + L".tmp";
  if (platform::os().WriteFile(tmp, text) && platform::os().MoveFileReplace(tmp, path)) {
    lastSaved_ = text;
  } else {
    LOG(INFO) << " save task file failed: " << platform::os().WideToAnsi(taskFilePath_);
    platform::os().RemoveFile(tmp);
  }
  return 1;
}

void CDownloadTaskManager::resetTasks() {
  clearTasks();
  contentLength_ = 0;
  downloadTime_ = 0;
  lastSaved_.clear();
}

bool CDownloadTaskManager::isAllTasksFinished() const {
  for (const auto& t : all_)
    if (t->status.load() != TASK_FINISHED) return false;
  return true;
}

int64_t CDownloadTaskManager::getDownloadedSize() const {
  int64_t sum = 0;  // polled every driver pass: no copies
  for (const auto& p : all_) {
    const auto* t = static_cast<const CDownloadTask*>(p.get());
    sum += t->DownloadedPos.load() - t->StartPos;
  }
  return sum;
}

int64_t CDownloadTaskManager::addDownloadTime(int64_t ms) {
  downloadTime_ += ms;
  return downloadTime_;
}

int CDownloadTaskManager::getRequestTimes() const {
  int sum = 0;
  for (const auto& p : all_) sum += static_cast<const CDownloadTask*>(p.get())->RequestTimes.load();
  return sum;
}

std::vector<CDownloadTask*> CDownloadTaskManager::tasks() const {
  std::vector<CDownloadTask*> list;
  list.reserve(all_.size());
  for (const auto& t : all_) list.push_back(static_cast<CDownloadTask*>(t.get()));
  return list;
}
