#include "weblog/WebLog.h"

#include <cctype>

#include "platform/Platform.h"
#include "platform/Utf.h"
#include "services/ServiceHosts.h"
#include "weblog/CollectorPayload.h"
#include "weblog/Identifiers.h"

void DestroyWebLogObject(IWebLog* obj) { delete obj; }

namespace weblog {

namespace {
const char kJsonHeader[] = "Content-Type:application/json; charset=utf-8";


// One session id per process, shared by every object.
std::mutex g_sessionLock;
std::string g_sessionId;
}  // namespace

WebLog::WebLog() : WebLog(CreateSystemMachineInfo(), 0, 0) {}  // the client's own time-outs

WebLog::WebLog(std::unique_ptr<IMachineInfo> machine, long connectTimeoutS, long timeoutS)
    : workDir_(platform::CurrentDirectory()), machine_(std::move(machine)), client_(connectTimeoutS, timeoutS) {}

std::wstring WebLog::WorkFile(const wchar_t* name) const {
  return workDir_.empty() ? std::wstring(name) : platform::JoinPath(workDir_, name);
}

void WebLog::ApplyProxyFile() {
  std::string text;
  if (!platform::os().ReadFile(WorkFile(L"proxy.txt"), text)) return;
  size_t begin = 0;
  while (begin < text.size() && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  size_t end = begin;
  while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
  if (end > begin) client_.SetProxy(text.substr(begin, end - begin));
}

std::string WebLog::SessionId() {
  std::lock_guard<std::mutex> g(g_sessionLock);
  if (g_sessionId.empty()) g_sessionId = MakeSessionId(*machine_);
  return g_sessionId;
}

std::string WebLog::MachineIdCached() {
  std::lock_guard<std::mutex> g(idLock_);
  if (machineId_.empty()) machineId_ = MachineId(*machine_);
  return machineId_;
}

int WebLog::ReportGA4(const char* eventQuery) {
  if (!eventQuery || !*eventQuery) return kWebLogGa4EmptyQuery;
  std::string url = services::ServiceOrigin(services::Service::Ga4) + "/g/collect?v=2&cid=";
  {
    std::lock_guard<std::mutex> g(idLock_);
    url += ClientId(*machine_);
  }
  url += eventQuery;
  ApplyProxyFile();
  if (client_.Post(url, kJsonHeader, std::string()) != 0) return kWebLogGa4TransferFailed;
  return client_.GetResponseCode() == 204 ? kWebLogOk : kWebLogGa4Rejected;
}

int WebLog::SoftDataReport(const char* funnelRecord) {
  Json::Value input = ParseFunnelRecord(funnelRecord ? funnelRecord : "");
  CollectorIds ids;
  ids.sessionId = SessionId();
  std::string marker;
  bool test = platform::os().ReadFile(WorkFile(L"test"), marker);
  std::string url = test ? services::ServiceOrigin(services::Service::AnalyticsCollectorTest) + "/collector"
                         : services::ServiceOrigin(services::Service::AnalyticsCollector) + "/collect";
  ids.machineId = MachineIdCached();
  {
    std::lock_guard<std::mutex> g(idLock_);
    ids.mac = MacText(*machine_);
    ids.timeStampMs = machine_->LocalTimeStampMs();
  }
  ids.osVersion = OsVersionText();
  std::string body = StyledJson(BuildCollectorPayload(input, ids));
  ApplyProxyFile();
  int rc = client_.Post(url, kJsonHeader, body);
  if (rc != 0) return rc;
  return static_cast<int>(client_.GetResponseCode() - 200);
}

int WebLog::ProxySelfTest() {
  ApplyProxyFile();
  if (client_.Proxy().empty()) return kWebLogNotSupported;
  int rc = client_.Post(services::ServiceOrigin(services::Service::Ga4) + "/g/collect", kJsonHeader, std::string());
  return rc;
}

}  // namespace weblog
