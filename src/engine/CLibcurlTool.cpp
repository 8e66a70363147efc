#include "engine/CLibcurlTool.h"

#include <cstring>

#include "engine/CDownloadThread.h"
#include "log/Log.h"

namespace {

// Bytes gathered before a write is tried. Fewer system calls than a write
// per network read; and larger writes made Linux's file cache fill fresh
// large pages, measured several times slower on a machine whose memory had
// just been used for smaller ones.
constexpr size_t kWriteBlock = 32 * 1024;
constexpr size_t kPendingCap = 1024 * 1024;  // gathered while another worker writes

const char kUserAgent[] =
    "User-Agent:Mozilla/5.0 (Windows NT 6.1; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/62.0.3202.75 Safari/537.36";

// The fixed options of each operation.
struct TransferOptions {
  long timeoutS;         // CURLOPT_TIMEOUT
  long connectTimeoutS;  // CURLOPT_CONNECTTIMEOUT; 0 leaves libcurl's default
  bool follow;           // CURLOPT_FOLLOWLOCATION 1 with CURLOPT_MAXREDIRS 5
};
constexpr TransferOptions kGetString{5, 0, true};
constexpr TransferOptions kGetHeader{20, 5, true};
constexpr TransferOptions kDownload{20, 3, true};
constexpr TransferOptions kPost{10, 8, false};

// figureError's texts by libcurl code.
struct ErrorText {
  int code;          // CURLcode
  const char* text;  // logged as is
};
const ErrorText kErrorTexts[] = {
    {1, " ProtoControl Unsupport!"},
    {2, " Init Failed!"},
    {3, " Curl RemotePath Error"},
    {4, " libcurl InitFailed，Please Try again!"},
    {5, " Cannt resovlve proxy!"},
    {6, " cannt resovlve server!"},
    {7, " Curl Connect Server Error"},
    {8, " FTP服务器非法回复"},
    {9, " Acess Denied!"},
    {10, " FTP连接失败"},
    {11, " FTP服务器未知回复"},
    {12, " FTP连接超时"},
    {13, " Curl unknow error!"},
    {14, " Curl unknow error!"},
    {15, " 内部故障"},
    {16, " HTTP2错误"},
    {17, " FTP获取传输类型失败"},
    {18, " 服务器返回文件大小非法"},
    {22, " HTTP请求错误"},
    {23, " 接收数据错误"},
    {25, " 上传数据错误"},
    {26, " 本地文件读取错误"},
    {27, " 内存不足"},
    {28, " Curl Time out"},
    {30, " FTP端口失败"},
    {33, " 请求的数据范围错误"},
};

size_t AppendToString(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

void ApplyCommon(CURL* c, const std::string& url, const TransferOptions& o) {
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  if (o.follow) {
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
  }
  curl_easy_setopt(c, CURLOPT_TIMEOUT, o.timeoutS);
  if (o.connectTimeoutS) curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, o.connectTimeoutS);
}

bool StartsWithNoCase(const std::string& s, const char* prefix) {
  size_t n = std::strlen(prefix);
  if (s.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(s[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

// Text from pos up to the next "\r\n" (or the end).
std::string UpToLineEnd(const std::string& s, size_t pos) {
  if (pos >= s.size()) return {};
  size_t e = s.find("\r\n", pos);
  return s.substr(pos, e == std::string::npos ? std::string::npos : e - pos);
}

// Decimal digits at pos; -1 when there are none or they overflow.
int64_t ParseDecimal(const std::string& s, size_t pos) {
  int64_t v = 0;
  size_t i = pos;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (v > (INT64_MAX - 9) / 10) return -1;
    v = v * 10 + (s[i] - '0');
  }
  return i == pos ? -1 : v;
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

CLibcurlTool::CLibcurlTool() : curl_(curl_easy_init()) {}

CLibcurlTool::~CLibcurlTool() {
  if (curl_) curl_easy_cleanup(curl_);
}

std::string CLibcurlTool::errorText(CURLcode code) {
  for (const ErrorText& e : kErrorTexts)
    if (e.code == static_cast<int>(code)) return e.text;
  return " Curl Else Error: " + std::to_string(static_cast<int>(code));
}

int CLibcurlTool::figureError(CURLcode code) {
  LOG(INFO) << errorText(code);
  return 1;
}

CURLcode CLibcurlTool::httpGet(const std::string& url, std::string& body, bool reportErrors) {
  if (!curl_) {
    LOG(INFO) << " curl easy init fail !!!";
    return CURLE_FAILED_INIT;
  }
  curl_easy_reset(curl_);
  std::string received;
  ApplyCommon(curl_, url, kGetString);
  curl_easy_setopt(curl_, CURLOPT_NOBODY, 0L);
  curl_easy_setopt(curl_, CURLOPT_HEADER, 0L);
  curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &AppendToString);
  curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &received);
  CURLcode rc = curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYPEER, 0L);
  if (rc != CURLE_OK) {
    if (reportErrors) figureError(rc);
    return rc;
  }
  curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYHOST, 0L);
  rc = curl_easy_perform(curl_);
  body = received;
  if (rc != CURLE_OK && reportErrors) figureError(rc);
  return rc;
}

CURLcode CLibcurlTool::httpGet(const std::string& url, int64_t start, int64_t end, int headerOnly, std::string& out,
                               long& responseCode) {
  out.clear();
  responseCode = 0;
  if (!curl_) {
    LOG(INFO) << " curl easy init fail !!!";
    return CURLE_FAILED_INIT;
  }
  curl_easy_reset(curl_);
  std::string received;
  ApplyCommon(curl_, url, kGetHeader);
  if (headerOnly == 1) {
    curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl_, CURLOPT_HEADER, 1L);
  }
  curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &AppendToString);
  curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &received);
  CURLcode rc = curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYPEER, 0L);
  if (rc != CURLE_OK) {
    figureError(rc);
    return rc;
  }
  curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYHOST, 0L);
  rc = curl_easy_perform(curl_);
  curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &responseCode);
  int64_t room = end - start;
  if (room > 0) out = received.substr(0, static_cast<size_t>(std::min<int64_t>(room, received.size())));
  if (rc != CURLE_OK) figureError(rc);
  return rc;
}

CURLcode CLibcurlTool::GetHeader(const std::string& url, std::string& out, long& responseCode) {
  return httpGet(url, 0, 2000, 1, out, responseCode);
}

CURLcode CLibcurlTool::httpDownloadContent(const std::string& url, int64_t start, int64_t end, int64_t total,
                                           CDownloadThread* thread) {
  if (!curl_) {
    LOG(INFO) << " curl easy init fail !!!";
    return CURLE_FAILED_INIT;
  }
  curl_easy_reset(curl_);
  std::string range = std::to_string(start) + "-" + std::to_string(end);
  CDownloadTask* task = thread ? thread->task() : nullptr;
  LOG(INFO) << " Request Range: (" << (task ? task->taskId.load() : 0) << ", " << (end - start) << ") " << range;
  ApplyCommon(curl_, url, kDownload);
  curl_slist* headers = curl_slist_append(nullptr, kUserAgent);
  curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl_, CURLOPT_RANGE, range.c_str());
  curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &CLibcurlTool::downloadFunc);
  curl_easy_setopt(curl_, CURLOPT_WRITEDATA, thread);
  curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, &CLibcurlTool::HeaderCallback);
  curl_easy_setopt(curl_, CURLOPT_HEADERDATA, thread);
  CURLcode rc = curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYPEER, 0L);
  if (rc == CURLE_OK) {
    curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYHOST, 0L);
    rc = curl_easy_perform(curl_);
  }
  // The list must outlive the transfer; the handle forgets it on its next reset.
  curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, nullptr);
  curl_slist_free_all(headers);
  if (rc != CURLE_OK) figureError(rc);
  return rc;
}

int CLibcurlTool::HttpPost(const std::string& url, const std::string& body, std::string& response,
                           const char* caFile) {
  CURL* c = curl_easy_init();
  if (!c) {
    LOG(INFO) << " curl easy init fail !!!";
    return CURLE_FAILED_INIT;
  }
  ApplyCommon(c, url, kPost);
  curl_easy_setopt(c, CURLOPT_POST, 1L);
  curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &AppendToString);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &response);
  if (caFile) {
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_CAINFO, caFile);
  } else {
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 0L);
  }
  CURLcode rc = curl_easy_perform(c);
  curl_easy_cleanup(c);
  return rc;
}

size_t CLibcurlTool::HeaderCallback(char* data, size_t size, size_t count, void* user) {
  size_t n = size * count;
  auto* thread = static_cast<CDownloadThread*>(user);
  CDownloadTask* t = thread ? thread->task() : nullptr;
  if (!t) return n;
  CDownloadThread::Transfer& tr = thread->transfer();
  std::string line(data, n);

  // Each response (redirect hops included) starts with its status line.
  if (StartsWithNoCase(line, "HTTP/")) {
    size_t sp = line.find(' ');
    int64_t code = sp == std::string::npos ? -1 : ParseDecimal(line, sp + 1);
    tr.status = static_cast<long>(code);
    tr.rangeChecked = false;
    tr.bodyAllowed = false;
    return n;
  }
  // End of a header block: decide whether the body's bytes belong where
  // they would be written. A ranged request answered with the whole file
  // (200) fits only when the range started at byte 0.
  if (line == "\r\n" || line == "\n") {
    tr.bodyAllowed = (tr.status == 206 && tr.rangeChecked) || (tr.status == 200 && tr.requestStart == 0);
    return n;
  }
  if (t->ContentLength == 0) return n;

  size_t p;
  if ((p = line.find("CF-RAY:")) != std::string::npos) {
    size_t dash = line.find('-', 7);
    if (dash != std::string::npos) AddCdnTag(t, UpToLineEnd(line, dash + 1), true);
  } else if ((p = line.find("CF-Cache-Status:")) != std::string::npos) {
    AddCdnTag(t, UpToLineEnd(line, 17), false);
  } else if (tr.status == 200 && StartsWithNoCase(line, "Content-Length:")) {
    // A whole-file answer is only usable when it is the file we sliced.
    size_t colon = line.find(':') + 1;
    while (colon < line.size() && line[colon] == ' ') ++colon;
    if (ParseDecimal(line, colon) != t->ContentLength) {
      LOG(INFO) << " HeaderCallback error4: " << t->ContentLength << " != " << line;
      return 0;
    }
  } else if (StartsWithNoCase(line, "Content-Range")) {
    size_t slash = line.rfind('/');
    if (slash == std::string::npos) {
      LOG(INFO) << " HeaderCallback error2: " << line;
      return 0;
    }
    int64_t total = ParseDecimal(line, slash + 1);
    if (total != t->ContentLength) {
      LOG(INFO) << " HeaderCallback error1: " << t->ContentLength << " != " << line;
      return 0;
    }
    // "bytes a-b/total": the first byte must be the one asked for.
    size_t digits = line.find_first_of("0123456789");
    int64_t first = digits == std::string::npos || digits > slash ? -1 : ParseDecimal(line, digits);
    if (first != tr.requestStart) {
      LOG(INFO) << " HeaderCallback error3: range starts at " << first << ", asked " << tr.requestStart;
      return 0;
    }
    tr.rangeChecked = true;
  }
  return n;
}

size_t CLibcurlTool::downloadFunc(char* data, size_t size, size_t count, void* user) {
  size_t n = size * count;
  auto* thread = static_cast<CDownloadThread*>(user);
  CDownloadTask* t = thread ? thread->task() : nullptr;
  if (!t) return 0;
  CDownloadThread::Transfer& tr = thread->transfer();
  // Bytes of an error page, or of a response that does not start where the
  // slice does, never reach the file.
  if (!tr.bodyAllowed) {
    if (!tr.refusedLogged) {
      LOG(INFO) << " Thread: " << t->taskId.load() << " refuses the body of a " << tr.status
                << " answer to range start " << tr.requestStart;
      tr.refusedLogged = true;
    }
    return 0;
  }
  // Received bytes are gathered and written in large blocks: far fewer
  // system calls than one write per network read.
  std::string& pending = tr.pending;
  int64_t pos = t->DownloadedPos.load() + static_cast<int64_t>(pending.size());
  int64_t room = t->limit() - pos;
  size_t want = room <= 0 ? 0 : static_cast<size_t>(std::min<int64_t>(room, static_cast<int64_t>(n)));
  pending.append(data, want);
  if (pending.size() >= kWriteBlock && !thread->flush(pending.size() >= kPendingCap)) return 0;
  // Bytes past the slice are cut: the short count ends the transfer.
  return want;
}
