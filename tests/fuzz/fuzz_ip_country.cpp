// The IP-country answer of the country check.
#include "SideFetchHarness.h"

namespace {
const char kIpUrl[] = "http://ipgeo.marlowgate.com/json";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::SetUpSideFetches();
  fuzz::SideFetchRun run(data, size);
  run.Serve(kIpUrl);
  const bool limited = SideFetches::IsNotSupport(run.c, false);
  fuzz::Require(limited == (run.c.state->CountryCode() == L"XX"), "only the forbidden country is limited");
  return 0;
}
