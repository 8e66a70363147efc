// The download information service: the request, the cut of the Downloader
// element, its parse into the record, and the host kinds for telemetry.
#include <tinyxml2.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "CConfigure/CConfigure.h"
#include "FuntionImpl/RunOptions.h"
#include "FuntionImpl/SystemInfo.h"
#include "http/IHttpClient.h"
#include "log/Events.h"
#include "log/Log.h"
#include "platform/Platform.h"
#include "platform/Utf.h"
#include "services/ServiceHosts.h"

namespace {

constexpr size_t kQueryUrlBuffer = 512;   // the address must fit, terminator included
constexpr size_t kSoftwareNameMax = 259;  // characters the name field holds

// The maker's CDN hosts, for the host kinds.
const char* const kAliCdnHosts[] = {"marlowgate-pkg.oss-accelerate.aliyuncs.com",
                                    "marlowgate-pkg.oss-cn-hongkong.aliyuncs.com"};
const char* const kAwsCdnHost = "d3k9marlowgate.cloudfront.net";

// "scheme://host" of the service: TestEnv picks the scheme of the built-in
// host; a ServiceBase in force brings its own scheme and host.
std::string DownloadInfoOrigin() {
  using services::Service;
  const services::ServiceEntry& e = services::BuiltinEntry(Service::DownloadInfo);
  std::string origin = services::ServiceOrigin(Service::DownloadInfo);
  if (origin != std::string(e.scheme) + "://" + e.host) return origin;
  return std::string(FuntionImpl::IsTestEnv() ? "http" : "https") + "://" + services::ServiceHost(Service::DownloadInfo);
}

// Whole or not at all: an address that does not fit the buffer is refused.
bool FormatQueryUrl(int lang, int id, int site, const char* suffix, std::string& url, int& needed) {
  char buf[kQueryUrlBuffer];
  needed = std::snprintf(buf, sizeof buf, "%s/queryDownloaderV2?LanguageId=%d&SoftWareID=%d&SiteID=%d%s",
                         DownloadInfoOrigin().c_str(), lang, id, site, suffix);
  if (needed < 0 || static_cast<size_t>(needed) >= sizeof buf) return false;
  url.assign(buf, static_cast<size_t>(needed));
  return true;
}

bool CutDownloaderElement(const std::string& answer, std::string& element) {
  static const std::string kOpen = "<Downloader>", kClose = "</Downloader>";
  size_t open = answer.find(kOpen);
  if (open == std::string::npos) return false;
  size_t close = answer.find(kClose, open + kOpen.size());
  if (close == std::string::npos) return false;
  element = answer.substr(open, close + kClose.size() - open);
  return true;
}

// A decimal integer and nothing else (blanks around allowed), within range.
bool ParseWholeDecimal(const char* text, int64_t min, int64_t max, int64_t& out) {
  if (!text) return false;
  std::string s = text;
  size_t i = 0, end = s.size();
  while (i < end && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  while (end > i && std::isspace(static_cast<unsigned char>(s[end - 1]))) --end;
  bool neg = false;
  if (i < end && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  if (i == end) return false;
  uint64_t v = 0;
  const uint64_t limit = neg ? static_cast<uint64_t>(-(min + 1)) + 1 : static_cast<uint64_t>(max);
  for (; i < end; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    v = v * 10 + static_cast<uint64_t>(s[i] - '0');
    if (v > limit) return false;
  }
  out = neg ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
  return true;
}

void RemoveLineBreaks(std::wstring& text) {
  std::wstring kept;
  for (wchar_t c : text)
    if (c != L'\r' && c != L'\n') kept += c;
  text.swap(kept);
}

// Longer names keep their first characters, never half of a surrogate pair.
std::wstring SoftwareNameFromUtf8(const char* text) {
  std::wstring name = platform::WideFromUtf8(text ? text : "");
  if (name.size() > kSoftwareNameMax) {
    size_t n = kSoftwareNameMax;
    if (name[n - 1] >= 0xD800 && name[n - 1] <= 0xDBFF) --n;
    name.resize(n);
  }
  return name;
}

enum class Conversion { Int, Int64, Utf8Name, Ansi, AnsiOneLine };

// One known child element of Downloader and the field it feeds.
struct ElementRule {
  const char* name;
  Conversion conversion;
  int ProductConfig::*intField;
  int64_t ProductConfig::*int64Field;
  std::wstring ProductConfig::*textField;
};

constexpr ElementRule IntRule(const char* n, int ProductConfig::*f) { return {n, Conversion::Int, f, nullptr, nullptr}; }
constexpr ElementRule TextRule(const char* n, Conversion c, std::wstring ProductConfig::*f) {
  return {n, c, nullptr, nullptr, f};
}

const ElementRule kElements[] = {
    IntRule("Downloader_id", &ProductConfig::Downloader_id),
    IntRule("Software_id", &ProductConfig::Software_id),
    IntRule("Site_id", &ProductConfig::Site_id),
    TextRule("Software_name", Conversion::Utf8Name, &ProductConfig::Software_name),
    TextRule("Software_version", Conversion::Ansi, &ProductConfig::Software_version),
    TextRule("Process_name", Conversion::AnsiOneLine, &ProductConfig::Process_name),
    TextRule("Install_url", Conversion::Ansi, &ProductConfig::Install_url),
    TextRule("Download_url", Conversion::AnsiOneLine, &ProductConfig::Download_url),
    TextRule("Banner_url", Conversion::Ansi, &ProductConfig::Banner_url),
    TextRule("Licensefile_url", Conversion::Ansi, &ProductConfig::Licensefile_url),
    TextRule("Md5", Conversion::Ansi, &ProductConfig::Md5),
    {"Filesize", Conversion::Int64, nullptr, &ProductConfig::Filesize, nullptr},
    TextRule("Extra_download_url", Conversion::AnsiOneLine, &ProductConfig::Extra_download_url),
    TextRule("Cnet_download_url", Conversion::Ansi, &ProductConfig::Cnet_download_url),
    TextRule("Md5_extra", Conversion::Ansi, &ProductConfig::Md5_extra),
    IntRule("Downloader_type", &ProductConfig::Downloader_type),
};

// Stores one child element; unknown names and integers that are not numbers
// leave the record as it is.
void ApplyElement(ProductConfig& record, const tinyxml2::XMLElement& e) {
  for (const ElementRule& rule : kElements) {
    if (std::strcmp(rule.name, e.Name()) != 0) continue;
    const char* text = e.GetText();
    int64_t v = 0;
    switch (rule.conversion) {
      case Conversion::Int:
        if (ParseWholeDecimal(text, INT32_MIN, INT32_MAX, v)) record.*rule.intField = static_cast<int>(v);
        break;
      case Conversion::Int64:
        if (ParseWholeDecimal(text, INT64_MIN, INT64_MAX, v)) record.*rule.int64Field = v;
        break;
      case Conversion::Utf8Name:
        record.*rule.textField = SoftwareNameFromUtf8(text);
        break;
      case Conversion::Ansi:
      case Conversion::AnsiOneLine:
        record.*rule.textField = platform::os().AnsiToWide(text ? text : "");
        if (rule.conversion == Conversion::AnsiOneLine) RemoveLineBreaks(record.*rule.textField);
        break;
    }
    return;
  }
}

}  // namespace

void CConfigure::SetClientFactory(http::IHttpClientFactory& factory) {
  std::lock_guard<std::mutex> l(WriteMutex);
  clientFactory_ = &factory;
}

int CConfigure::getDownloadInfoXml(bool sync) {
  const char* mode = sync ? "Sync" : "Async";
  try {
    const std::shared_ptr<const ProductConfig> record = Snapshot();
    const int lang = record->Language_id, id = record->Downloader_id, site = record->Site_id;
    http::IHttpClientFactory* factory = nullptr;
    {
      std::lock_guard<std::mutex> l(WriteMutex);
      factory = clientFactory_;
    }
    const char* suffix = FuntionImpl::Is64BitSystem() ? "&package_type=2" : "";
    std::string url;
    int needed = 0;
    if (!FormatQueryUrl(lang, id, site, suffix, url, needed)) {
      LOG(INFO) << " GetDownloaderInfoV2(" << mode << ") refused: the address needs " << needed
                << " characters, more than " << kQueryUrlBuffer - 1;
      return 0;
    }
    SetLastQueryUrl(url);
    size_t q = url.find('?');
    LOG(INFO) << " GetDownloaderInfoV2(" << mode << ")..." << (q == std::string::npos ? "" : url.substr(q + 1));

    platform::Os& os = platform::os();
    const uint64_t started = os.TickCount();
    std::unique_ptr<http::IHttpClient> client = factory->create();
    std::string answer;
    CURLcode code = client ? client->httpGet(url, answer, false) : CURLE_FAILED_INIT;
    if (code == CURLE_COULDNT_RESOLVE_HOST) events().event("Other", "FlowError", "DL003");
    else if (code == CURLE_OPERATION_TIMEDOUT) events().event("Other", "FlowError", "DL002");
    LOG(INFO) << " getDownloadInfoXml: LanguageId=" << lang << "&SoftWareID=" << id << "&SiteID=" << site << suffix;
    const int seconds = static_cast<int>((os.TickCount() - started) / 1000);
    LOG(INFO) << " GetDownloaderInfo(" << mode << ") return " << static_cast<int>(code) << ", len=" << answer.size();
    events().event("Other", sync ? "SyncGetCbsTime" : "AsyncGetCbsTime", std::to_string(seconds));
    client.reset();

    std::string element;
    if (!CutDownloaderElement(answer, element)) return 0;
    auto kept = std::make_unique<std::string>(std::move(element));
    std::lock_guard<std::mutex> l(WriteMutex);
    DownloaderXml = std::move(kept);
    return 1;
  } catch (const std::exception& e) {
    LOG(INFO) << " GetDownloaderInfo(" << mode << ") failed: " << e.what();
    return 0;
  }
}

int CConfigure::ParseDownloaderXml() {
  std::lock_guard<std::mutex> l(WriteMutex);
  int parsed = 0;
  updateLocked([&](ProductConfig& record) { parsed = parseLocked(record); });
  return parsed;
}

int CConfigure::parseLocked(ProductConfig& record) {
  record.LoadState = 1;
  if (!DownloaderXml || DownloaderXml->empty()) return 0;
  try {
    tinyxml2::XMLDocument doc(true, tinyxml2::PRESERVE_WHITESPACE);
    if (doc.Parse(DownloaderXml->c_str(), DownloaderXml->size()) != tinyxml2::XML_SUCCESS) return 0;
    const tinyxml2::XMLElement* root = doc.RootElement();
    if (!root) return 0;
    // Applied to a copy first, so that a failure part-way leaves the record whole.
    ProductConfig staged = record;
    for (const tinyxml2::XMLElement* e = root->FirstChildElement(); e; e = e->NextSiblingElement())
      ApplyElement(staged, *e);
    record = std::move(staged);
  } catch (const std::exception& e) {
    LOG(INFO) << " ParseDownloaderXml failed: " << e.what();
    record.LoadState = 1;
    return 0;
  }
  record.LoadState = 2;
  record.LoadSource = 1;
  record.AddMirrorUrls();
  return 1;
}

int CConfigure::RefreshForInstall(const ILabelSource& labels, const RefreshHooks& hooks) {
  if (GetLoadState() != 2) {
    if (hooks.beforeRequest) hooks.beforeRequest();
    getDownloadInfoXml(true);
    if (hooks.afterRequest) hooks.afterRequest();
    std::lock_guard<std::mutex> l(WriteMutex);
    updateLocked([&](ProductConfig& record) {
      if (parseLocked(record) != 1) LoadAllFromLabels(record, labels);
    });
  }
  const std::shared_ptr<const ProductConfig> record = Snapshot();
  if (record->LoadState == 2) printContent(*record);
  return record->LoadState;
}

int CConfigure::GetDownloadHostKind(const std::wstring& address) {
  std::string host;
  size_t dot = address.find(L'.');
  if (dot != std::wstring::npos && address.find(L'/', dot) != std::wstring::npos &&
      address.rfind(L'/', dot) != std::wstring::npos)
    host = platform::Utf8FromWide(FuntionImpl::GetHostFromUrl(address));
  if (host.size() < 2 || host.rfind("dl.", 0) == 0 || host.rfind("cdn.", 0) == 0) return 10;
  for (const char* ali : kAliCdnHosts)
    if (host == ali) return 12;
  if (host.find("ali") != std::string::npos) return 12;
  return host == kAwsCdnHost ? 13 : 11;
}

std::wstring CConfigure::GetSystemRegion() {
  std::wstring code = platform::os().UserRegionCode();
  LOG(INFO) << " System Region info is : " << platform::os().WideToAnsi(code);
  return code;
}
