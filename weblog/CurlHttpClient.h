// The web log's HTTP client: one libcurl easy handle per request, the last
// response kept per calling thread.
#pragma once
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace weblog {

class CurlHttpClient {
 public:
  // Time-outs in seconds; 0 keeps the options table's (30 to connect, 40 in all).
  explicit CurlHttpClient(long connectTimeoutS = 0, long timeoutS = 0);

  // POSTs body with one header line; the libcurl result (0 = transfer done).
  int Post(const std::string& url, const std::string& header, const std::string& body);
  // The status recorded for the calling thread; 0 when none.
  long GetResponseCode();
  std::string GetResponseBody();

  void SetProxy(const std::string& proxy);
  std::string Proxy();

 private:
  struct Response {
    std::string body;
    long status = 0;
  };
  std::mutex lock_;
  std::string proxy_;
  bool hasProxy_ = false;
  std::map<std::thread::id, Response> responses_;
  long connectTimeoutS_, timeoutS_;
};

}  // namespace weblog
