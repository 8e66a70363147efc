// Where the maker's services live. One table; in test builds a run options
// section "Endpoints" with ServiceBase (for example http://127.0.0.1:8480)
// replaces the scheme and host of every entry, so tests reach a local fake
// (platform/TestHooks.h); the shipped stub always uses the table.
// Package addresses are not services: they come from the configuration.
#pragma once
#include <string>

namespace services {

enum class Service {
  DownloadInfo,         // download information (the scheme follows TestEnv)
  DataService,          // privacy links and banners
  DataServiceTest,      // the same, test host
  KitDownloads,         // sub-program descriptions (special sites)
  KitDownloadsBrand2,   // the same, the maker's second brand
  IpCountry,            // public IP geolocation
  ExceptionCollector,   // crash and exception reports
  UpdateService,        // exception reports in the test environment
  Ga4,                  // GA4 measurement protocol
  AnalyticsCollector,   // the maker's analytics collector
  AnalyticsCollectorTest,  // the same, test host (a "test" file in the working folder)
};

struct ServiceEntry {
  Service id;
  const char* scheme;  // "https" or "http"
  const char* host;    // host[:port]
  const char* name;    // for logs and documentation
};

// The built-in entry, untouched by any override.
const ServiceEntry& BuiltinEntry(Service s);
// "scheme://host" in force for the service, without a trailing slash.
std::string ServiceOrigin(Service s);
// The host in force ("host[:port]"), for callers that choose the scheme.
std::string ServiceHost(Service s);
// Applies an override base ("http://127.0.0.1:8480") to a built-in origin; an
// empty or malformed base leaves the origin as it is.
std::string ApplyBase(const std::string& origin, const std::string& base);

}  // namespace services
