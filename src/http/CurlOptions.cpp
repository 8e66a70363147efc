#include "http/CurlOptions.h"

#include <cstdlib>
#include <mutex>

#include "http/CurlHandles.h"
#include "http/Proxy.h"
#include "log/Log.h"

#include "platform/TestHooks.h"

#ifndef LUMEVIA_VERIFY_TLS
#define LUMEVIA_VERIFY_TLS 1
#endif

namespace http {

namespace {

// The build's certificate policy (CMake option LUMEVIA_VERIFY_TLS, on unless
// a maker turns it off).
constexpr bool kVerifyTls = LUMEVIA_VERIFY_TLS != 0;

const char kUserAgent[] =
    "User-Agent:Mozilla/5.0 (Windows NT 6.1; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/62.0.3202.75 Safari/537.36";

// In the order of Operation.
constexpr OperationOptions kOptions[] = {
    // timeout, connect, follow, redirects, encodings, header line, body cap
    {5, 0, true, 5, false, nullptr, kServiceBodyCap},  // GetText
    {20, 5, true, 5, false, nullptr, 0},               // GetHead: the head reader bounds itself
    {20, 3, true, 5, false, kUserAgent, 0},            // GetRange: the package goes to its file
    {10, 8, false, 0, false, nullptr, kReplyBodyCap},  // Post
    // A report's reply is never asked compressed: a small packed reply
    // could unpack to any size.
    {40, 30, true, 0, false, nullptr, kReplyBodyCap},  // ReportPost
};

}  // namespace

const OperationOptions& OptionsOf(Operation op) { return kOptions[static_cast<int>(op)]; }

OptionFailure ApplyOperationOptions(CURL* c, const OperationOptions& o) {
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);  // time-outs on worker threads
  if (o.allEncodings) curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
  CURLcode rc;
  if (o.connectTimeoutS && (rc = curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, o.connectTimeoutS)) != CURLE_OK)
    return {CURLOPT_CONNECTTIMEOUT, rc};
  if ((rc = curl_easy_setopt(c, CURLOPT_TIMEOUT, o.timeoutS)) != CURLE_OK) return {CURLOPT_TIMEOUT, rc};
  if (!o.follow) return {CURLOPT_URL, CURLE_OK};
  if ((rc = curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L)) != CURLE_OK) return {CURLOPT_FOLLOWLOCATION, rc};
  if (o.maxRedirs && (rc = curl_easy_setopt(c, CURLOPT_MAXREDIRS, o.maxRedirs)) != CURLE_OK)
    return {CURLOPT_MAXREDIRS, rc};
  return {CURLOPT_URL, CURLE_OK};
}

size_t CappedBody::Append(char* data, size_t size, size_t count, void* user) {
  auto* self = static_cast<CappedBody*>(user);
  const size_t n = size * count;
  if (self->cap && n > self->cap - self->text.size()) {
    // Nothing of a refused answer is handed on: its first part would be
    // read as if it were all of it.
    self->overflowed = true;
    std::string().swap(self->text);
    return 0;
  }
  self->text.append(data, n);
  return n;
}

void Collect(CURL* c, CappedBody& body, const OperationOptions& o) {
  body.cap = o.bodyCap;
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &CappedBody::Append);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &body);
}

CURLcode ApplyTlsPolicy(CURL* c, const char* caFile) {
  if (!caFile && kVerifyTls) caFile = platform::hooks::TrustedCaFile();  // null in shipped programs
  if (!kVerifyTls && !caFile) {
    CURLcode rc = curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 0L);
    return rc;
  }
  CURLcode rc = curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
  // A revocation server out of reach must not fail a download; a certificate
  // known to be revoked still does (Schannel; OpenSSL checks no revocation).
  curl_easy_setopt(c, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
  if (caFile) curl_easy_setopt(c, CURLOPT_CAINFO, caFile);
  return rc;
}

CURLcode PerformTransfer(CURL* c, const std::string& url, const std::string& fixedProxy) {
  if (!fixedProxy.empty()) {
    curl_easy_setopt(c, CURLOPT_PROXY, fixedProxy.c_str());
    return curl_easy_perform(c);
  }
  // None named (also for a bypassed address): libcurl's defaults, the
  // environment's proxy variables, stay in force.
  const std::string proxy = SystemProxy().ProxyFor(url);
  if (proxy.empty()) return curl_easy_perform(c);
  curl_easy_setopt(c, CURLOPT_PROXY, proxy.c_str());
  CURLcode rc = curl_easy_perform(c);
  if (rc != CURLE_COULDNT_CONNECT && rc != CURLE_COULDNT_RESOLVE_PROXY) return rc;
  LOG(INFO) << " Proxy unreachable, direct: " << proxy;
  curl_easy_setopt(c, CURLOPT_PROXY, "");
  return curl_easy_perform(c);
}

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_ALL); });
}

CurlEasy NewCurlEasy() {
  InitCurlOnce();
  return CurlEasy(curl_easy_init());
}

}  // namespace http
