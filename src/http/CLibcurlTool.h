// The HTTP client over libcurl's easy interface. One object owns one easy
// handle and serves any number of transfers one after another, never two at
// once; HttpPost uses a fresh handle of its own each time.
#pragma once
#include <curl/curl.h>

#include <cstdint>
#include <string>

#include "http/CurlHandles.h"
#include "http/CurlOptions.h"
#include "http/IHttpClient.h"

class CLibcurlTool final : public http::IHttpClient {
 public:
  CLibcurlTool();

  bool hasHandle() const override { return static_cast<bool>(curl_); }
  CURLcode httpGet(const std::string& url, std::string& body, bool reportErrors) override;
  // A GET whose received text (headers, and the body unless headerOnly is 1)
  // is cut to at most end - start characters into out. No range is asked for.
  CURLcode httpGet(const std::string& url, int64_t start, int64_t end, int headerOnly, std::string& out,
                   long& responseCode);
  // The header probe as text: at most 2000 characters of it.
  CURLcode GetHeader(const std::string& url, std::string& out, long& responseCode);
  CURLcode GetHeader(const std::string& url, http::ResponseHead& head, long& responseCode) override;
  CURLcode httpDownloadContent(const std::string& url, int64_t start, int64_t end, int64_t total,
                               http::ITransferSink* sink) override;
  int HttpPost(const std::string& url, const std::string& body, std::string& response, const char* caFile) override;

  // Logs the text of a libcurl code; returns 1.
  static int figureError(CURLcode code);
  static std::string errorText(CURLcode code);

  // libcurl's header and write callbacks of a ranged transfer; user is the
  // transfer's http::ITransferSink.
  static size_t HeaderCallback(char* line, size_t size, size_t count, void* user);
  static size_t downloadFunc(char* data, size_t size, size_t count, void* user);

 private:
  // The object's handle reset and set up for op; null (logged) when there is none.
  CURL* prepare(const std::string& url, http::Operation op);
  // The probe's transfer: the received text (up to keep characters) and the status.
  CURLcode headRequest(const std::string& url, bool headerOnly, size_t keep, std::string& received,
                       long& responseCode);

  http::CurlEasy curl_;
};
