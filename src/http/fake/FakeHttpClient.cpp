#include "http/fake/FakeHttpClient.h"

#include <algorithm>
#include <tuple>

#include "platform/Utf.h"

namespace http {

namespace {

constexpr int kMaxRedirects = 5;         // as the client's options allow
constexpr size_t kBodyPiece = 16 * 1024;  // bytes handed to a sink at a time, as libcurl does

using Fields = std::vector<std::pair<std::string, std::string>>;

const std::string* FindField(const Fields& fields, const std::string& name) {
  for (const auto& f : fields)
    if (EqualsNoCase(f.first, name)) return &f.second;
  return nullptr;
}

FakeAnswer FileAnswer(const std::string& data, const Fields& extra, const FakeRequest& r) {
  FakeAnswer a;
  a.headers = extra;
  a.headers.emplace_back("Accept-Ranges", "bytes");
  const int64_t size = static_cast<int64_t>(data.size());
  if (r.method == "HEAD" || r.rangeFirst < 0) {
    a.headers.emplace_back("Content-Length", std::to_string(size));
    if (r.method != "HEAD") a.body = data;
    return a;
  }
  if (r.rangeFirst >= size) {
    a.status = 416;
    a.headers.emplace_back("Content-Range", "bytes */" + std::to_string(size));
    return a;
  }
  int64_t last = r.rangeLast < 0 ? size - 1 : std::min(r.rangeLast, size - 1);
  a.status = 206;
  a.headers.emplace_back("Content-Range", "bytes " + std::to_string(r.rangeFirst) + "-" + std::to_string(last) +
                                              "/" + std::to_string(size));
  a.headers.emplace_back("Content-Length", std::to_string(last - r.rangeFirst + 1));
  a.body = data.substr(static_cast<size_t>(r.rangeFirst), static_cast<size_t>(last - r.rangeFirst + 1));
  return a;
}

// The body bytes the answer delivers before its transfer ends.
size_t Delivered(const FakeAnswer& a) { return std::min(a.body.size(), a.cutAfter); }

}  // namespace

void FakeWeb::serveFile(const std::string& url, std::string data, Fields extraHeaders) {
  auto shared = std::make_shared<const std::string>(std::move(data));
  handle(url, [shared, extraHeaders](const FakeRequest& r) { return FileAnswer(*shared, extraHeaders, r); });
}

void FakeWeb::redirect(const std::string& url, const std::string& location, long status) {
  FakeAnswer a;
  a.status = status;
  a.headers.emplace_back("Location", location);
  a.body = "moved\n";
  answer(url, a);
}

void FakeWeb::answer(const std::string& url, FakeAnswer a) {
  handle(url, [a](const FakeRequest&) { return a; });
}

void FakeWeb::handle(const std::string& url, Handler h) {
  std::lock_guard<std::mutex> lock(mutex_);
  handlers_[url] = std::move(h);
}

void FakeWeb::queue(const std::string& url, FakeAnswer a) {
  std::lock_guard<std::mutex> lock(mutex_);
  queued_[url].push_back(std::move(a));
}

void FakeWeb::cutNext(const std::string& url, size_t bytes, CURLcode code, int times) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (int i = 0; i < times; ++i) cuts_[url].emplace_back(bytes, code);
}

void FakeWeb::setLowerCaseNames(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  lowerCaseNames_ = on;
}

std::vector<FakeRequest> FakeWeb::requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

int FakeWeb::count(const std::string& method, const std::string& url) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(std::count_if(requests_.begin(), requests_.end(), [&](const FakeRequest& r) {
    return r.method == method && r.url == url;
  }));
}

FakeAnswer FakeWeb::respond(const FakeRequest& r) {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.push_back(r);
  FakeAnswer a;
  auto q = queued_.find(r.url);
  auto h = handlers_.find(r.url);
  if (q != queued_.end() && !q->second.empty()) {
    a = std::move(q->second.front());
    q->second.pop_front();
  } else if (h != handlers_.end()) {
    a = h->second(r);
  } else {
    a.status = 404;
    a.body = "not found\n";
  }
  auto cut = cuts_.find(r.url);
  if (r.method == "GET" && cut != cuts_.end() && !cut->second.empty()) {
    std::tie(a.cutAfter, a.code) = cut->second.front();
    cut->second.pop_front();
  }
  if (lowerCaseNames_)
    for (auto& f : a.headers) f.first = platform::ToLowerAscii(f.first);
  return a;
}

FakeAnswer FakeHttpClient::follow(FakeRequest r, const std::function<bool(const std::string&)>& onLine,
                                  CURLcode& code) {
  for (int redirects = 0;; ++redirects) {
    FakeAnswer a = web_.respond(r);
    if (a.status == 0) {  // nobody answered
      code = a.code == CURLE_OK ? CURLE_COULDNT_CONNECT : a.code;
      return a;
    }
    bool taken = onLine("HTTP/1.1 " + std::to_string(a.status) + " Fake\r\n");
    for (const auto& f : a.headers) taken = taken && onLine(f.first + ": " + f.second + "\r\n");
    if (!taken || !onLine("\r\n")) {
      code = CURLE_WRITE_ERROR;
      return a;
    }
    const std::string* location = FindField(a.headers, "Location");
    if (a.status < 300 || a.status > 399 || !location) {
      code = CURLE_OK;
      return a;
    }
    if (redirects == kMaxRedirects) {
      code = CURLE_TOO_MANY_REDIRECTS;
      return a;
    }
    r.url = ResolveUrl(r.url, *location);
  }
}

CURLcode FakeHttpClient::httpGet(const std::string& url, std::string& body, bool /*reportErrors*/) {
  body.clear();
  if (!hasHandle_) return CURLE_FAILED_INIT;
  CURLcode code;
  FakeAnswer a = follow(FakeRequest("GET", url), [](const std::string&) { return true; }, code);
  if (code != CURLE_OK) return code;
  body = a.body.substr(0, Delivered(a));
  return a.code;
}

CURLcode FakeHttpClient::GetHeader(const std::string& url, ResponseHead& head, long& responseCode) {
  head.restart(url);
  responseCode = 0;
  if (!hasHandle_) return CURLE_FAILED_INIT;
  CURLcode code;
  FakeAnswer a = follow(FakeRequest("HEAD", url), [&head](const std::string& line) {
    head.addLine(line);
    return true;
  }, code);
  responseCode = a.status;
  return code != CURLE_OK ? code : a.code;
}

CURLcode FakeHttpClient::httpDownloadContent(const std::string& url, int64_t start, int64_t end, int64_t /*total*/,
                                             ITransferSink* sink) {
  if (!hasHandle_) return CURLE_FAILED_INIT;
  CURLcode code;
  auto toSink = [sink](const std::string& line) { return sink->onHeaderLine(line.data(), line.size()); };
  FakeAnswer a = follow(FakeRequest("GET", url, start, end), toSink, code);
  if (code != CURLE_OK) return code;
  const size_t n = Delivered(a);
  for (size_t at = 0; at < n; at += kBodyPiece) {
    size_t piece = std::min(kBodyPiece, n - at);
    if (sink->onBody(a.body.data() + at, piece) != piece) return CURLE_WRITE_ERROR;
  }
  return a.code;
}

int FakeHttpClient::HttpPost(const std::string& url, const std::string& body, std::string& response,
                             const char* /*caFile*/) {
  if (!hasHandle_) return CURLE_FAILED_INIT;
  FakeRequest r("POST", url);
  r.body = body;
  FakeAnswer a = web_.respond(r);
  if (a.status == 0) return a.code == CURLE_OK ? CURLE_COULDNT_CONNECT : a.code;
  response += a.body.substr(0, Delivered(a));
  return a.code;
}

std::unique_ptr<IHttpClient> FakeHttpClientFactory::create() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++created_;
  return std::make_unique<FakeHttpClient>(web, clientsHaveHandles);
}

int FakeHttpClientFactory::created() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return created_;
}

}  // namespace http
