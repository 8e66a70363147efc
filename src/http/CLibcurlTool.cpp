#include "http/CLibcurlTool.h"

#include <algorithm>

#include "http/CurlOptions.h"
#include "log/Log.h"

namespace {

constexpr size_t kHeaderProbeText = 2000;  // characters of the probe's text handed out

// figureError's texts by libcurl code.
struct ErrorText {
  int code;          // CURLcode
  const char* text;  // logged as is
};
const ErrorText kErrorTexts[] = {
    {1, " ProtoControl Unsupport!"},
    {2, " Init Failed!"},
    {3, " Curl RemotePath Error"},
    {4, " libcurl InitFailed，Please Try again!"},
    {5, " Cannt resovlve proxy!"},
    {6, " cannt resovlve server!"},
    {7, " Curl Connect Server Error"},
    {8, " FTP服务器非法回复"},
    {9, " Acess Denied!"},
    {10, " FTP连接失败"},
    {11, " FTP服务器未知回复"},
    {12, " FTP连接超时"},
    {13, " Curl unknow error!"},
    {14, " Curl unknow error!"},
    {15, " 内部故障"},
    {16, " HTTP2错误"},
    {17, " FTP获取传输类型失败"},
    {18, " 服务器返回文件大小非法"},
    {22, " HTTP请求错误"},
    {23, " 接收数据错误"},
    {25, " 上传数据错误"},
    {26, " 本地文件读取错误"},
    {27, " 内存不足"},
    {28, " Curl Time out"},
    {30, " FTP端口失败"},
    {33, " 请求的数据范围错误"},
};

const char kNoHandle[] = " curl easy init fail !!!";

void LogOverflow(const http::CappedBody& body) {
  if (body.overflowed) LOG(INFO) << " Answer refused: more than " << body.cap << " bytes";
}

// Gathers received text up to a limit; what lies beyond is taken and dropped.
struct BoundedText {
  std::string text;
  size_t keep;
  static size_t Append(char* data, size_t size, size_t count, void* user) {
    auto* self = static_cast<BoundedText*>(user);
    size_t n = size * count;
    if (self->text.size() < self->keep) self->text.append(data, std::min(n, self->keep - self->text.size()));
    return n;
  }
};

}  // namespace

CLibcurlTool::CLibcurlTool() : curl_(http::NewCurlEasy()) {}

std::string CLibcurlTool::errorText(CURLcode code) {
  for (const ErrorText& e : kErrorTexts)
    if (e.code == static_cast<int>(code)) return e.text;
  return " Curl Else Error: " + std::to_string(static_cast<int>(code));
}

int CLibcurlTool::figureError(CURLcode code) {
  LOG(INFO) << errorText(code);
  return 1;
}

CURL* CLibcurlTool::prepare(const std::string& url, http::Operation op) {
  if (!curl_) {
    LOG(INFO) << kNoHandle;
    return nullptr;
  }
  CURL* c = curl_.get();
  curl_easy_reset(c);
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  http::ApplyOperationOptions(c, http::OptionsOf(op));
  return c;
}

CURLcode CLibcurlTool::httpGet(const std::string& url, std::string& body, bool reportErrors) {
  CURL* c = prepare(url, http::Operation::GetText);
  if (!c) return CURLE_FAILED_INIT;
  http::CappedBody received;
  curl_easy_setopt(c, CURLOPT_NOBODY, 0L);
  curl_easy_setopt(c, CURLOPT_HEADER, 0L);
  http::Collect(c, received, http::OptionsOf(http::Operation::GetText));
  CURLcode rc = http::ApplyTlsPolicy(c);
  if (rc == CURLE_OK) rc = http::PerformTransfer(c, url);
  LogOverflow(received);
  body = std::move(received.text);
  if (rc != CURLE_OK && reportErrors) figureError(rc);
  return rc;
}

CURLcode CLibcurlTool::headRequest(const std::string& url, bool headerOnly, size_t keep, std::string& received,
                                   long& responseCode) {
  received.clear();
  responseCode = 0;
  CURL* c = prepare(url, http::Operation::GetHead);
  if (!c) return CURLE_FAILED_INIT;
  if (headerOnly) {
    curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(c, CURLOPT_HEADER, 1L);
  }
  BoundedText text{std::string(), keep};
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &BoundedText::Append);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &text);
  CURLcode rc = http::ApplyTlsPolicy(c);
  if (rc != CURLE_OK) {
    figureError(rc);
    return rc;
  }
  rc = http::PerformTransfer(c, url);
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &responseCode);
  received = std::move(text.text);
  if (rc != CURLE_OK) figureError(rc);
  return rc;
}

CURLcode CLibcurlTool::httpGet(const std::string& url, int64_t start, int64_t end, int headerOnly, std::string& out,
                               long& responseCode) {
  int64_t room = std::max<int64_t>(end - start, 0);
  return headRequest(url, headerOnly == 1, static_cast<size_t>(room), out, responseCode);
}

CURLcode CLibcurlTool::GetHeader(const std::string& url, std::string& out, long& responseCode) {
  return httpGet(url, 0, kHeaderProbeText, 1, out, responseCode);
}

CURLcode CLibcurlTool::GetHeader(const std::string& url, http::ResponseHead& head, long& responseCode) {
  // The reader gets every hop's head, not only the first 2000 characters: a
  // redirect chain with a few long fields would cut off the answer that counts.
  std::string text;
  CURLcode rc = headRequest(url, true, http::ResponseHead::kMaxText, text, responseCode);
  head.restart(url);
  head.addText(text);
  return rc;
}

CURLcode CLibcurlTool::httpDownloadContent(const std::string& url, int64_t start, int64_t end, int64_t /*total*/,
                                           http::ITransferSink* sink) {
  CURL* c = prepare(url, http::Operation::GetRange);
  if (!c) return CURLE_FAILED_INIT;
  std::string range = std::to_string(start) + "-" + std::to_string(end);
  LOG(INFO) << " Request Range: (" << (sink ? sink->transferId() : 0) << ", " << (end - start) << ") " << range;
  http::CurlHeaderList headers;
  http::AppendHeader(headers, http::OptionsOf(http::Operation::GetRange).headerLine);
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(c, CURLOPT_RANGE, range.c_str());
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &CLibcurlTool::downloadFunc);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, sink);
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &CLibcurlTool::HeaderCallback);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, sink);
  CURLcode rc = http::ApplyTlsPolicy(c);
  if (rc == CURLE_OK) rc = http::PerformTransfer(c, url);
  // The handle must forget the list before the list goes.
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, nullptr);
  if (rc != CURLE_OK) figureError(rc);
  return rc;
}

int CLibcurlTool::HttpPost(const std::string& url, const std::string& body, std::string& response,
                           const char* caFile) {
  http::CurlEasy easy = http::NewCurlEasy();
  if (!easy) {
    LOG(INFO) << kNoHandle;
    return CURLE_FAILED_INIT;
  }
  CURL* c = easy.get();
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  http::ApplyOperationOptions(c, http::OptionsOf(http::Operation::Post));
  curl_easy_setopt(c, CURLOPT_POST, 1L);
  curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
  http::CappedBody received;
  http::Collect(c, received, http::OptionsOf(http::Operation::Post));
  http::ApplyTlsPolicy(c, caFile);
  const CURLcode rc = http::PerformTransfer(c, url);
  LogOverflow(received);
  response += received.text;
  return rc;
}

size_t CLibcurlTool::HeaderCallback(char* line, size_t size, size_t count, void* user) {
  size_t n = size * count;
  auto* sink = static_cast<http::ITransferSink*>(user);
  return !sink || sink->onHeaderLine(line, n) ? n : 0;
}

size_t CLibcurlTool::downloadFunc(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<http::ITransferSink*>(user);
  return sink ? sink->onBody(data, size * count) : 0;
}

namespace http {

namespace {
class CurlClientFactory final : public IHttpClientFactory {
 public:
  std::unique_ptr<IHttpClient> create() override { return std::make_unique<CLibcurlTool>(); }
};
}  // namespace

IHttpClientFactory& DefaultClientFactory() {
  static CurlClientFactory factory;
  return factory;
}

}  // namespace http
