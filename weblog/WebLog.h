// The web-log object: identifiers, endpoint choice, proxy file, one POST.
#pragma once
#include <memory>
#include <mutex>
#include <string>

#include "weblog/CurlHttpClient.h"
#include "weblog/IWebLog.h"
#include "weblog/MachineInfo.h"

namespace weblog {

// Result codes of the operations (the numbers the queue logs).
enum WebLogResult {
  kWebLogOk = 0,
  kWebLogGa4Rejected = -1,        // GA4 answered with a status other than 204
  kWebLogNotSupported = -2,       // a slot this installer does not use
  kWebLogGa4TransferFailed = 253,
  kWebLogGa4EmptyQuery = 254,
};

class WebLog final : public IWebLog {
 public:
  WebLog();
  // Tests hand in the machine and the HTTP time-outs.
  WebLog(std::unique_ptr<IMachineInfo> machine, long connectTimeoutS, long timeoutS);

  int UsageReport(const char*, const char*) override { return kWebLogNotSupported; }
  int QueryTools(const char*, char*, int) override { return kWebLogNotSupported; }
  int QueryDownloaderVersion(int, int, int, char*, int) override { return kWebLogNotSupported; }
  int UploadErrorLog(const wchar_t*) override { return kWebLogNotSupported; }
  int FeedbackTicket(const char*, const char*) override { return kWebLogNotSupported; }
  int ReportUAEvent(const char*, const char*, const char*) override { return kWebLogNotSupported; }
  int SoftDataReport(const char* funnelRecord) override;
  int ReportGA4(const char* eventQuery) override;
  int ProxySelfTest() override;

  CurlHttpClient& Client() { return client_; }
  // The session id of the process, made on first use.
  std::string SessionId();

 private:
  ~WebLog() override = default;
  friend void ::DestroyWebLogObject(IWebLog*);

  std::wstring WorkFile(const wchar_t* name) const;
  void ApplyProxyFile();
  std::string MachineIdCached();

  std::wstring workDir_;
  std::unique_ptr<IMachineInfo> machine_;
  std::mutex idLock_;
  std::string machineId_;
  CurlHttpClient client_;
};

}  // namespace weblog
