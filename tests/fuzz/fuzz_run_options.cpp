// The run options file beside the executable, read through the platform's
// profile functions as every query reads it, and the service base it may set.
#include <string>

#include "FuntionImpl/RunOptions.h"
#include "FuzzSupport.h"
#include "TestSupport.h"
#include "platform/IniText.h"
#include "platform/Platform.h"
#include "services/ServiceHosts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The executable seems to run from a folder of this run's own.
  static testing_support::TempDir* dir = new testing_support::TempDir();
  static testing_support::ModuleInDir os(dir->path());
  static platform::ScopedOs scoped(os);
  const std::string text(reinterpret_cast<const char*>(data), size);
  platform::os().WriteFile(FuntionImpl::RunOptionsPath(), text);
  FuntionImpl::IsTestEnv();
  FuntionImpl::IsReplacePackage();
  FuntionImpl::IsAutoRun();
  FuntionImpl::IsFullLog();
  FuntionImpl::IsSkipLimit();
  const std::string origin = services::ServiceOrigin(services::Service::DownloadInfo);
  fuzz::Require(origin.find("://") != std::string::npos, "a service origin keeps its scheme");
  services::ServiceHost(services::Service::IpCountry);
  std::string value;
  if (platform::IniLookup(text, "Settings", "AutoRun", value)) platform::IniParseInt(value);
  return 0;
}
