#include <gtest/gtest.h>

#include "TestSupport.h"
#include "services/ServiceHosts.h"

using services::Service;

TEST(ServiceHosts, BaseReplacesSchemeAndHostOnly) {
  EXPECT_EQ(services::ApplyBase("https://dlinfo.example.com", "http://127.0.0.1:8480"), "http://127.0.0.1:8480");
  EXPECT_EQ(services::ApplyBase("https://dlinfo.example.com", "http://127.0.0.1:8480/ignored/path/"),
            "http://127.0.0.1:8480");
  EXPECT_EQ(services::ApplyBase("https://dlinfo.example.com", ""), "https://dlinfo.example.com");
  EXPECT_EQ(services::ApplyBase("https://dlinfo.example.com", "127.0.0.1:8480"), "https://dlinfo.example.com");
  EXPECT_EQ(services::ApplyBase("https://dlinfo.example.com", "http://"), "https://dlinfo.example.com");
}

TEST(ServiceHosts, EveryServicePointsAtTheOverrideOfTheOptionsFile) {
  testing_support::TempDir dir;
  testing_support::ModuleInDir fakeOs(dir.path());
  platform::ScopedOs scope(fakeOs);
  for (Service s : {Service::DownloadInfo, Service::Ga4, Service::AnalyticsCollector, Service::IpCountry}) {
    std::string builtin = std::string(services::BuiltinEntry(s).scheme) + "://" + services::BuiltinEntry(s).host;
    EXPECT_EQ(services::ServiceOrigin(s), builtin);
  }
  dir.write(L"zq_downloader.cfg", "[Endpoints]\nServiceBase=http://127.0.0.1:8480\n");
  for (Service s : {Service::DownloadInfo, Service::DataService, Service::DataServiceTest, Service::KitDownloads,
                    Service::IpCountry, Service::ExceptionCollector, Service::UpdateService, Service::Ga4,
                    Service::AnalyticsCollector}) {
    EXPECT_EQ(services::ServiceOrigin(s), "http://127.0.0.1:8480");
    EXPECT_EQ(services::ServiceHost(s), "127.0.0.1:8480");
  }
}
