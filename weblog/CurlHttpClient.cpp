#include "weblog/CurlHttpClient.h"

#include <curl/curl.h>

#include <cstdio>

#include "http/CurlHandles.h"
#include "http/CurlOptions.h"
#include "weblog/ClientErrorLog.h"

namespace weblog {

namespace {

void LogCode(const char* format, int code) {
  char line[128];
  std::snprintf(line, sizeof line, format, code);
  WriteClientErrorLog(line);
}

// The client error log's line for an option of the set-up that failed.
const char* SetUpFailureLine(CURLoption option) {
  switch (option) {
    case CURLOPT_CONNECTTIMEOUT: return "Failed to set connection time out [%d]\n";
    case CURLOPT_TIMEOUT: return "Failed to set time out [%d]\n";
    case CURLOPT_WRITEFUNCTION: return "Failed to set CURLOPT_WRITEFUNCTION [%d]\n";
    default: return "Failed to CURLOPT_FOLLOWLOCATION [%d]\n";
  }
}

}  // namespace

CurlHttpClient::CurlHttpClient(long connectTimeoutS, long timeoutS)
    : connectTimeoutS_(connectTimeoutS), timeoutS_(timeoutS) {
  http::InitCurlOnce();
}

void CurlHttpClient::SetProxy(const std::string& proxy) {
  std::lock_guard<std::mutex> g(lock_);
  proxy_ = proxy;
  hasProxy_ = true;
}

std::string CurlHttpClient::Proxy() {
  std::lock_guard<std::mutex> g(lock_);
  return hasProxy_ ? proxy_ : std::string();
}

int CurlHttpClient::Post(const std::string& url, const std::string& header, const std::string& body) {
  {
    // A failed request must not leave the previous answer readable.
    std::lock_guard<std::mutex> g(lock_);
    responses_.erase(std::this_thread::get_id());
  }
  http::CurlHeaderList headers;  // released after the handle that uses it
  http::CurlEasy easy = http::NewCurlEasy();
  CURL* c = easy.get();
  if (!c) WriteClientErrorLog("Failed to create CURL connection\n");
  http::CappedBody response;

  http::ApplyTlsPolicy(c);

  // The set-up stops at its first failure, logged, and the request goes on
  // with the handle as it stands.
  http::OperationOptions options = http::OptionsOf(http::Operation::ReportPost);
  if (connectTimeoutS_) options.connectTimeoutS = connectTimeoutS_;
  if (timeoutS_) options.timeoutS = timeoutS_;
  http::OptionFailure failed = http::ApplyOperationOptions(c, options);
  response.cap = options.bodyCap;
  if (failed.code == CURLE_OK &&
      (failed.code = curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &http::CappedBody::Append)) != CURLE_OK)
    failed.option = CURLOPT_WRITEFUNCTION;
  if (failed.code != CURLE_OK) LogCode(SetUpFailureLine(failed.option), failed.code);

  // Each step of the request proper ends it at its first failure.
  CURLcode rc;
  if ((rc = curl_easy_setopt(c, CURLOPT_URL, url.c_str())) != CURLE_OK) {
    LogCode("Failed to set CURLOPT_URL [%d]\n", rc);
    return rc;
  }
  http::AppendHeader(headers, header.c_str());
  if ((rc = curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get())) != CURLE_OK) {
    LogCode("Failed to set CURLOPT_HTTPHEADER [%d]\n", rc);
    return rc;
  }
  if ((rc = curl_easy_setopt(c, CURLOPT_POST, 1L)) != CURLE_OK) {
    LogCode("Failed to set CURLOPT_POST [%d]\n", rc);
    return rc;
  }
  curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
  if ((rc = curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.c_str())) != CURLE_OK) {
    LogCode("Failed to set CURLOPT_POSTFIELDS [%d]\n", rc);
    return rc;
  }
  if ((rc = curl_easy_setopt(c, CURLOPT_WRITEDATA, &response)) != CURLE_OK) {
    LogCode("Failed to set CURLOPT_WRITEDATA [%d]\n", rc);
    return rc;
  }
  // The proxy file's proxy wins over the system's.
  if ((rc = http::PerformTransfer(c, url, Proxy())) != CURLE_OK) {
    LogCode("Failed to perform request [%d]\n", rc);
    return rc;
  }
  long status = 0;
  if ((rc = curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status)) != CURLE_OK) {
    LogCode("Failed to perform request [%d]\n", rc);
    return rc;
  }
  std::lock_guard<std::mutex> g(lock_);
  Response& r = responses_[std::this_thread::get_id()];
  r.body = std::move(response.text);
  r.status = status;
  return CURLE_OK;
}

long CurlHttpClient::GetResponseCode() {
  std::lock_guard<std::mutex> g(lock_);
  auto it = responses_.find(std::this_thread::get_id());
  return it == responses_.end() ? 0 : it->second.status;
}

std::string CurlHttpClient::GetResponseBody() {
  std::lock_guard<std::mutex> g(lock_);
  auto it = responses_.find(std::this_thread::get_id());
  return it == responses_.end() ? std::string() : it->second.body;
}

}  // namespace weblog
