// "galog.json" as the telemetry queue finds it on disk: the new-user mark and
// the version update read it and rewrite it.
#include <string>

#include "FuzzSupport.h"
#include "TestSupport.h"
#include "platform/Platform.h"
#include "telemetry/GaLogState.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static testing_support::TempDir* dir = new testing_support::TempDir();
  const std::wstring path = telemetry::GaLogPath(dir->path());
  platform::os().WriteFile(path, std::string(reinterpret_cast<const char*>(data), size));
  const telemetry::LocalDate today{2026, 12, 9};
  telemetry::UpdateIsNew(path, today);
  telemetry::UpdateGaLogVersion(path, "1.0.0.0");
  fuzz::Require(telemetry::UpdateIsNew(path, today) == 0, "a rewritten file holds today");
  return 0;
}
