#include "services/ServiceHosts.h"

#include "FuntionImpl/RunOptions.h"
#include "platform/TestHooks.h"
#include "platform/Utf.h"

namespace services {

namespace {
const ServiceEntry kServices[] = {
    {Service::DownloadInfo, "https", "dlinfo.marlowgate.com", "download information"},
    {Service::DataService, "https", "data.marlowgate.com", "data service"},
    {Service::DataServiceTest, "https", "data-test.marlowgate.com", "data service (test)"},
    {Service::KitDownloads, "https", "kit.marlowgate.com", "kit downloads"},
    {Service::KitDownloadsBrand2, "https", "kit.brightquill.com", "kit downloads (second brand)"},
    {Service::IpCountry, "http", "ipgeo.marlowgate.com", "IP country"},
    {Service::ExceptionCollector, "https", "exception.marlowgate.com", "exception collector"},
    {Service::UpdateService, "https", "update.marlowgate.com", "update service"},
    {Service::Ga4, "https", "www.google-analytics.com", "GA4"},
    {Service::AnalyticsCollector, "https", "collect.marlowgate.com", "analytics collector"},
    {Service::AnalyticsCollectorTest, "https", "collect-test.marlowgate.com", "analytics collector (test)"},
};

std::string Base() {
  return platform::Utf8FromWide(platform::hooks::ServiceBase(FuntionImpl::RunOptionsPath()));
}
}  // namespace

const ServiceEntry& BuiltinEntry(Service s) {
  for (const ServiceEntry& e : kServices)
    if (e.id == s) return e;
  return kServices[0];
}

std::string ApplyBase(const std::string& origin, const std::string& base) {
  size_t sep = base.find("://");
  if (sep == std::string::npos || sep == 0 || sep + 3 >= base.size()) return origin;
  std::string b = base;
  while (!b.empty() && b.back() == '/') b.pop_back();
  // Only scheme and host[:port] are taken; a path in the base is ignored.
  size_t pathStart = b.find('/', sep + 3);
  if (pathStart != std::string::npos) b.resize(pathStart);
  return b;
}

std::string ServiceOrigin(Service s) {
  const ServiceEntry& e = BuiltinEntry(s);
  return ApplyBase(std::string(e.scheme) + "://" + e.host, Base());
}

std::string ServiceHost(Service s) {
  std::string origin = ServiceOrigin(s);
  size_t sep = origin.find("://");
  return sep == std::string::npos ? origin : origin.substr(sep + 3);
}

}  // namespace services
