// The program's HTTP seam: every transfer goes through an IHttpClient, made
// by a factory so that each worker owns its own client and tests can script
// the answers (http/fake). Results are libcurl's CURLcode numbers (0 =
// success); a client that has no libcurl handle answers 2.
#pragma once
#include <curl/curl.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "http/ResponseHead.h"

namespace http {

// Receives a ranged transfer: each header line of every response (a redirect
// chain gives several heads), then the body's bytes.
class ITransferSink {
 public:
  virtual ~ITransferSink() = default;
  // One header line as received, line end included; false aborts the transfer.
  virtual bool onHeaderLine(const char* line, size_t n) = 0;
  // Body bytes; returns how many were taken (fewer aborts with a write error).
  virtual size_t onBody(const char* data, size_t n) = 0;
  // The number the transfer's log line names (the slice).
  virtual int32_t transferId() const { return 0; }
};

// One client serves transfers one after another, never two at once.
class IHttpClient {
 public:
  virtual ~IHttpClient() = default;

  // False when the client could not be set up (every transfer then gives 2).
  virtual bool hasHandle() const = 0;
  // A whole GET into body (whatever arrived, also after a failure). Errors are
  // logged only when reportErrors.
  virtual CURLcode httpGet(const std::string& url, std::string& body, bool reportErrors) = 0;
  // The header probe: a HEAD that follows redirects; head receives every
  // response of the chain, responseCode the last one's status.
  virtual CURLcode GetHeader(const std::string& url, ResponseHead& head, long& responseCode) = 0;
  // Bytes start..end (inclusive) of url into the sink. total is the file's
  // size, for the sink's checks.
  virtual CURLcode httpDownloadContent(const std::string& url, int64_t start, int64_t end, int64_t total,
                                       ITransferSink* sink) = 0;
  // A POST; the answer is appended to response. With caFile the server's
  // certificate is checked against it.
  virtual int HttpPost(const std::string& url, const std::string& body, std::string& response,
                       const char* caFile) = 0;
};

class IHttpClientFactory {
 public:
  virtual ~IHttpClientFactory() = default;
  virtual std::unique_ptr<IHttpClient> create() = 0;
};

// Makes libcurl clients (CLibcurlTool); lives for the whole process.
IHttpClientFactory& DefaultClientFactory();

}  // namespace http
