// One transfer of each kind the program makes, for the network tests
// (tls_test.py, proxy_test.py). Prints one line: rc=<libcurl code>
// status=<HTTP status> bytes=<received>.
//
//   net_probe get URL | head URL | range URL | post URL   the client's transfers
//   net_probe report URL [PROXY]     the web log's POST (PROXY as from proxy.txt)
//   net_probe ieproxy                the user's proxy settings as the window logs them
#include <cstdio>
#include <string>

#include "http/CLibcurlTool.h"
#include "http/Proxy.h"
#include "weblog/CurlHttpClient.h"

namespace {

class CountingSink final : public http::ITransferSink {
 public:
  bool onHeaderLine(const char*, size_t) override { return true; }
  size_t onBody(const char*, size_t n) override {
    bytes += n;
    return n;
  }
  size_t bytes = 0;
};

int Print(int rc, long status, size_t bytes) {
  std::printf("rc=%d status=%ld bytes=%zu\n", rc, status, bytes);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "ieproxy") {
    std::printf("result=%d\n", http::LogIEProxyConfig());
    return 0;
  }
  if (argc < 3) {
    std::fprintf(stderr, "usage: net_probe get|head|range|post|report URL [PROXY] | ieproxy\n");
    return 2;
  }
  const std::string url = argv[2];
  CLibcurlTool tool;
  if (command == "get") {
    std::string body;
    int rc = tool.httpGet(url, body, true);
    return Print(rc, 0, body.size());
  }
  if (command == "head") {
    http::ResponseHead head;
    long status = 0;
    int rc = tool.GetHeader(url, head, status);
    return Print(rc, status, 0);
  }
  if (command == "range") {
    CountingSink sink;
    int rc = tool.httpDownloadContent(url, 0, 99, 0, &sink);
    return Print(rc, 0, sink.bytes);
  }
  if (command == "post") {
    std::string answer;
    int rc = tool.HttpPost(url, "{}", answer, nullptr);
    return Print(rc, 0, answer.size());
  }
  if (command == "report") {
    weblog::CurlHttpClient client;
    if (argc > 3) client.SetProxy(argv[3]);
    int rc = client.Post(url, "Content-Type:application/json; charset=utf-8", "{}");
    return Print(rc, client.GetResponseCode(), client.GetResponseBody().size());
  }
  std::fprintf(stderr, "unknown command %s\n", command.c_str());
  return 2;
}
