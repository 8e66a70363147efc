// The fixed libcurl options of every kind of transfer the program makes, as
// one table, and the one certificate-checking policy.
#pragma once
#include <curl/curl.h>

#include <cstddef>
#include <string>

namespace http {

// The kinds of transfer, one row of options each.
enum class Operation {
  GetText,     // a whole GET into a string
  GetHead,     // the header probe
  GetRange,    // a ranged GET of one slice
  Post,        // a POST of the installer flow
  ReportPost,  // the web log's POST of one report
};

struct OperationOptions {
  long timeoutS;           // CURLOPT_TIMEOUT
  long connectTimeoutS;    // CURLOPT_CONNECTTIMEOUT; 0 leaves libcurl's default
  bool follow;             // CURLOPT_FOLLOWLOCATION 1
  long maxRedirs;          // CURLOPT_MAXREDIRS when following; 0 leaves libcurl's default
  bool allEncodings;       // CURLOPT_ACCEPT_ENCODING "" (every encoding libcurl supports)
  const char* headerLine;  // the one CURLOPT_HTTPHEADER line; null for none
  size_t bodyCap;          // most body bytes a CappedBody keeps; 0 for bodies that go elsewhere
};

// Body caps: an answer of the maker's services (download information, data
// services) and a reply to a report or an exception POST.
constexpr size_t kServiceBodyCap = 1u << 20;
constexpr size_t kReplyBodyCap = 64u << 10;

const OperationOptions& OptionsOf(Operation op);

// The first option that could not be set (code CURLE_OK when all were).
struct OptionFailure {
  CURLoption option;
  CURLcode code;
};

// Sets CURLOPT_NOSIGNAL and the row's encodings (results not examined), then
// its time-outs and redirects in that order, stopping at the first failure.
OptionFailure ApplyOperationOptions(CURL* c, const OperationOptions& o);

// A body gathered in libcurl's write callback up to a cap: the first byte
// beyond it fails the transfer (CURLE_WRITE_ERROR) and empties the text, so
// no answer can grow the memory without bound. Set with Collect.
struct CappedBody {
  std::string text;
  size_t cap = 0;
  bool overflowed = false;
  static size_t Append(char* data, size_t size, size_t count, void* user);
};
// Points c's write callback at body with the row's cap.
void Collect(CURL* c, CappedBody& body, const OperationOptions& o);

// Whether and how certificates are checked, decided here only. Every
// transfer verifies peer and host name against caFile when given, else
// against the system's store (Schannel) or CA bundle (OpenSSL); revocation is
// checked where the server can be reached (best effort). In test programs the
// test CA file (platform/TestHooks.h) stands in for the system's. A build with
// LUMEVIA_VERIFY_TLS=0 verifies only against a given caFile, nothing else.
// Returns the result of setting CURLOPT_SSL_VERIFYPEER.
CURLcode ApplyTlsPolicy(CURL* c, const char* caFile = nullptr);

// Performs the prepared transfer of url through the system's proxy for it
// (http/Proxy.h); fixedProxy, when not empty, is used instead (the web log's
// proxy file). A transfer that cannot reach the system's proxy is tried once
// directly.
CURLcode PerformTransfer(CURL* c, const std::string& url, const std::string& fixedProxy = std::string());

}  // namespace http
