#include "weblog/CurlHttpClient.h"

#include <curl/curl.h>

#include <cstdio>

#include "weblog/ClientErrorLog.h"

namespace weblog {

namespace {

size_t AppendBody(char* data, size_t size, size_t n, void* user) {
  static_cast<std::string*>(user)->append(data, size * n);
  return size * n;
}

void LogCode(const char* format, int code) {
  char line[128];
  std::snprintf(line, sizeof line, format, code);
  WriteClientErrorLog(line);
}

// Owns one easy handle and its header list for one request.
struct EasyRequest {
  CURL* curl = curl_easy_init();
  curl_slist* headers = nullptr;
  ~EasyRequest() {
    if (headers) curl_slist_free_all(headers);
    if (curl) curl_easy_cleanup(curl);
  }
};

// curl_global_init is not thread-safe in older libcurl: do it once, early.
struct CurlGlobal {
  CurlGlobal() { curl_global_init(CURL_GLOBAL_ALL); }
};

}  // namespace

CurlHttpClient::CurlHttpClient(long connectTimeoutS, long timeoutS)
    : connectTimeoutS_(connectTimeoutS), timeoutS_(timeoutS) {
  static CurlGlobal global;
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
  EasyRequest req;
  CURL* c = req.curl;
  if (!c) WriteClientErrorLog("Failed to create CURL connection\n");
  std::string response;

  // Certificates are not checked: the reports must pass through inspecting proxies.
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);  // time-outs from worker threads
  std::string proxy = Proxy();
  if (!proxy.empty()) curl_easy_setopt(c, CURLOPT_PROXY, proxy.c_str());

  CURLcode rc;
  if ((rc = curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, connectTimeoutS_)) != CURLE_OK)
    LogCode("Failed to set connection time out [%d]\n", rc);
  else if ((rc = curl_easy_setopt(c, CURLOPT_TIMEOUT, timeoutS_)) != CURLE_OK)
    LogCode("Failed to set time out [%d]\n", rc);
  else if ((rc = curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, AppendBody)) != CURLE_OK)
    LogCode("Failed to set CURLOPT_WRITEFUNCTION [%d]\n", rc);
  else if ((rc = curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L)) != CURLE_OK)
    LogCode("Failed to CURLOPT_FOLLOWLOCATION [%d]\n", rc);

  // Each step of the request proper ends it at its first failure.
  if ((rc = curl_easy_setopt(c, CURLOPT_URL, url.c_str())) != CURLE_OK) {
    LogCode("Failed to set CURLOPT_URL [%d]\n", rc);
    return rc;
  }
  req.headers = curl_slist_append(nullptr, header.c_str());
  if ((rc = curl_easy_setopt(c, CURLOPT_HTTPHEADER, req.headers)) != CURLE_OK) {
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
  if ((rc = curl_easy_perform(c)) != CURLE_OK) {
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
  r.body = std::move(response);
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
