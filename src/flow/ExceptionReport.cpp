#include "flow/ExceptionReport.h"

#include "FuntionImpl/RunOptions.h"
#include "flow/InstallCommandLine.h"
#include "log/Log.h"
#include "platform/Utf.h"
#include "services/ServiceHosts.h"

namespace ExceptionReport {

std::string CollectorUrl() {
  using services::Service;
  return services::ServiceOrigin(FuntionImpl::IsTestEnv() ? Service::UpdateService : Service::ExceptionCollector) +
         "/api/exception/send";
}

void Send(http::IHttpClientFactory& clients, CConfigure& config, const std::string& code,
          const std::wstring& currentUrl, const char* logPrefix) {
  const std::string body = InstallText::ExceptionReportBody(config.Snapshot()->Downloader_id, code,
                                                            config.GetLastQueryUrl(), platform::Utf8FromWide(currentUrl));
  std::string response;
  int result = 2;  // no client: libcurl's "failed to initialise"
  if (std::unique_ptr<http::IHttpClient> client = clients.create())
    result = client->HttpPost(CollectorUrl(), body, response, nullptr);
  LOG(INFO) << logPrefix << response << ", return " << result;
}

}  // namespace ExceptionReport
