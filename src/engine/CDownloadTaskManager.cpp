#include "engine/CDownloadTaskManager.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "engine/CLibcurlTool.h"
#include "engine/IEngineEvents.h"
#include "engine/TaskFile.h"
#include "log/Log.h"
#include "platform/Platform.h"

namespace {

constexpr int kProbeTries = 5;           // size probes before giving up
constexpr int kMaxProbeRequests = 10;    // header requests of one probe (redirect hops)

std::wstring Wide(const std::string& s) { return platform::os().AnsiToWide(s); }

// Text from pos up to the next "\r\n".
std::string UpToLineEnd(const std::string& s, size_t pos) {
  if (pos >= s.size()) return {};
  size_t e = s.find("\r\n", pos);
  return s.substr(pos, e == std::string::npos ? std::string::npos : e - pos);
}

// Leading blanks skipped, digits read up to the first other character.
int64_t ReadNumber(const std::string& s, size_t pos) {
  while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
  int64_t v = 0;
  for (; pos < s.size() && s[pos] >= '0' && s[pos] <= '9'; ++pos) {
    if (v > (INT64_MAX - 9) / 10) return 0;
    v = v * 10 + (s[pos] - '0');
  }
  return v;
}

}  // namespace

CDownloadTaskManager::CDownloadTaskManager(const std::string& remoteUrl, const std::string& localPath,
                                           const std::string& taskFilePath)
    : taskFilePath_(taskFilePath), remoteUrl_(remoteUrl), localPath_(localPath) {}

int64_t CDownloadTaskManager::getContentLength(CURLcode& code, std::string& cdnTag) {
  code = CURLE_OK;
  CLibcurlTool tool;
  std::string header;
  long status = 0;
  for (int requests = 1;; ++requests) {
    LOG(INFO) << "befor getContentLength GetHeader";
    code = tool.GetHeader(remoteUrl_, header, status);
    LOG(INFO) << "after getContentLength GetHeader";

    size_t ray = header.find("CF-RAY:");
    size_t cache = header.find("CF-Cache-Status:");
    size_t dash = ray == std::string::npos ? std::string::npos : header.find('-', ray + 7);
    size_t xcache = header.find("X-Cache: ");
    if (cache != std::string::npos && dash != std::string::npos) {
      std::string cacheStatus = UpToLineEnd(header, cache + 17);
      cdnTag = UpToLineEnd(header, dash + 1) + "/" + cacheStatus;
      LOG(INFO) << " Cdn result: " << cacheStatus << ", " << cdnTag;
      engineEvents().event("Download", "3.CDNStatus", cdnTag);
    } else if (xcache != std::string::npos) {
      cdnTag = UpToLineEnd(header, xcache + 9);
      LOG(INFO) << " Cdn result: " << cdnTag;
      engineEvents().event("Download", "3.CDNStatus", cdnTag);
    }

    size_t loc = header.find("Location:");
    if (loc == std::string::npos) break;
    std::string rest = header.substr(loc);
    size_t colon = rest.find(':');
    std::string target = UpToLineEnd(rest, colon + 2);
    size_t back = target.find("back_url=");
    if (back != std::string::npos) target = target.substr(back + 9);
    remoteUrl_ = target;
    // Bounded whatever the server does: a chain that never ends is given up.
    if (requests >= kMaxProbeRequests) {
      LOG(INFO) << " Get Contentlength = " << 0
                << (code == CURLE_TOO_MANY_REDIRECTS ? ", error CURLE_TOO_MANY_REDIRECTS" : ", too many hops");
      if (code == CURLE_OK) code = CURLE_TOO_MANY_REDIRECTS;
      return 0;
    }
  }
  if (code != CURLE_OK) return 0;
  // The length of an error page is not the package's size.
  if (status < 200 || status > 299) {
    LOG(INFO) << " Get Contentlength = 0, status " << status;
    return 0;
  }
  size_t range = header.find("Content-Range:");
  size_t length = header.find("Content-Length:");
  if (range == std::string::npos && length == std::string::npos) return 0;
  int64_t size = 0;
  if (range != std::string::npos) {
    size_t slash = header.find('/', range);
    size = slash == std::string::npos ? 0 : ReadNumber(header, slash + 1);
  } else {
    size = ReadNumber(header, length + 15);
  }
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
  return platform::os().FileSize(Wide(taskFilePath_)) >= 0;
}

int CDownloadTaskManager::loadTaskFile() {
  std::wstring path = Wide(taskFilePath_);
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
  if (getContentLength(code, tag) != contentLength_) return 2;
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
  std::wstring path = Wide(taskFilePath_);
  std::wstring tmp = path + L".tmp";
  if (platform::os().WriteFile(tmp, text) && platform::os().MoveFileReplace(tmp, path)) {
    lastSaved_ = text;
  } else {
    LOG(INFO) << " save task file failed: " << taskFilePath_;
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
