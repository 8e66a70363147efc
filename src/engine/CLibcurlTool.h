// The program's one HTTP client wrapper over libcurl's easy interface. One
// object serves any number of transfers one after another, never two at once.
#pragma once
#include <curl/curl.h>

#include <cstdint>
#include <string>

class CDownloadThread;

class CLibcurlTool {
 public:
  CLibcurlTool();
  ~CLibcurlTool();
  CLibcurlTool(const CLibcurlTool&) = delete;
  CLibcurlTool& operator=(const CLibcurlTool&) = delete;

  bool hasHandle() const { return curl_ != nullptr; }

  // A whole GET into body (whatever arrived, also after a failure).
  CURLcode httpGet(const std::string& url, std::string& body, bool reportErrors);
  // A GET whose received text (headers, and the body unless headerOnly is 1)
  // is cut to at most end - start characters into out. No range is asked for.
  CURLcode httpGet(const std::string& url, int64_t start, int64_t end, int headerOnly, std::string& out,
                   long& responseCode);
  // The header probe: at most 2000 characters of header text.
  CURLcode GetHeader(const std::string& url, std::string& out, long& responseCode);
  // Bytes start..end (inclusive) of url into the thread's slice.
  CURLcode httpDownloadContent(const std::string& url, int64_t start, int64_t end, int64_t total,
                               CDownloadThread* thread);
  // A POST on a fresh handle of its own; the answer is appended to response.
  int HttpPost(const std::string& url, const std::string& body, std::string& response, const char* caFile);

  static int figureError(CURLcode code);
  // Text figureError logs for a code.
  static std::string errorText(CURLcode code);

  static size_t HeaderCallback(char* line, size_t size, size_t count, void* user);
  static size_t downloadFunc(char* data, size_t size, size_t count, void* user);

 private:
  CURL* curl_;
};
