// A scripted stand-in for the HTTP seam: answers come from a FakeWeb that a
// test fills, every request is recorded, and redirects are followed the way
// libcurl follows them (at most 5 hops, relative addresses resolved).
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "http/IHttpClient.h"

namespace http {

// One request as a server would see it (a redirect chain gives one per hop).
struct FakeRequest {
  FakeRequest(std::string m, std::string u, int64_t first = -1, int64_t last = -1)
      : method(std::move(m)), url(std::move(u)), rangeFirst(first), rangeLast(last) {}

  std::string method;  // "GET", "HEAD" or "POST"
  std::string url;
  int64_t rangeFirst;  // a ranged GET's bounds as asked, else -1
  int64_t rangeLast;
  std::string body;    // of a POST
};

// What one request is answered with.
struct FakeAnswer {
  long status = 200;                                         // 0: no answer at all
  std::vector<std::pair<std::string, std::string>> headers;  // fields in order
  std::string body;
  size_t cutAfter = std::string::npos;  // body bytes delivered before `code` ends the transfer
  CURLcode code = CURLE_OK;             // the transfer's result once the answer was delivered
};

// The scripted hosts shared by every client of one factory. Thread-safe.
class FakeWeb {
 public:
  using Handler = std::function<FakeAnswer(const FakeRequest&)>;

  // A file: HEAD gives its size, a ranged GET 206 with Content-Range (416
  // beyond the end), a plain GET all of it.
  void serveFile(const std::string& url, std::string data,
                 std::vector<std::pair<std::string, std::string>> extraHeaders = {});
  void redirect(const std::string& url, const std::string& location, long status = 302);
  // The same answer every time, or one computed per request.
  void answer(const std::string& url, FakeAnswer a);
  void handle(const std::string& url, Handler h);
  // One-shot answers for the next requests of url, before its standing one.
  void queue(const std::string& url, FakeAnswer a);
  // The next `times` GETs of url, whatever they are answered with, end after
  // `bytes` body bytes with `code` (a connection lost mid-body).
  void cutNext(const std::string& url, size_t bytes, CURLcode code, int times = 1);
  // Names of every answer's fields in lower case, as some servers send them.
  void setLowerCaseNames(bool on);

  std::vector<FakeRequest> requests() const;
  // Requests of url with this method.
  int count(const std::string& method, const std::string& url) const;

  // Answers one request and records it (an unknown address gives 404).
  FakeAnswer respond(const FakeRequest& r);

 private:
  mutable std::mutex mutex_;
  std::map<std::string, Handler> handlers_;
  std::map<std::string, std::deque<FakeAnswer>> queued_;
  std::map<std::string, std::deque<std::pair<size_t, CURLcode>>> cuts_;
  std::vector<FakeRequest> requests_;
  bool lowerCaseNames_ = false;
};

class FakeHttpClient final : public IHttpClient {
 public:
  explicit FakeHttpClient(FakeWeb& web, bool hasHandle = true) : web_(web), hasHandle_(hasHandle) {}

  bool hasHandle() const override { return hasHandle_; }
  CURLcode httpGet(const std::string& url, std::string& body, bool reportErrors) override;
  CURLcode GetHeader(const std::string& url, ResponseHead& head, long& responseCode) override;
  CURLcode httpDownloadContent(const std::string& url, int64_t start, int64_t end, int64_t total,
                               ITransferSink* sink) override;
  int HttpPost(const std::string& url, const std::string& body, std::string& response, const char* caFile) override;

 private:
  // Follows redirects from r.url; every head goes to onLine. Returns the
  // final answer, or sets code when the chain was cut short.
  FakeAnswer follow(FakeRequest r, const std::function<bool(const std::string&)>& onLine, CURLcode& code);

  FakeWeb& web_;
  bool hasHandle_;
};

class FakeHttpClientFactory final : public IHttpClientFactory {
 public:
  std::unique_ptr<IHttpClient> create() override;
  int created() const;

  FakeWeb web;
  bool clientsHaveHandles = true;

 private:
  mutable std::mutex mutex_;
  int created_ = 0;
};

}  // namespace http
