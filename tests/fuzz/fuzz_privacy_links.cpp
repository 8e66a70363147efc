// The privacy and terms links answer of the data service.
#include "FuntionImpl/SignedUrls.h"
#include "SideFetchHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;  // asked again after a pause: not the parser's business
  fuzz::SetUpSideFetches();
  fuzz::SideFetchRun run(data, size);
  run.Serve(FuntionImpl::GetPrivacyUrl(9909));
  SideFetches::GetCbsPrivacy(run.c);
  run.c.config->GetLinkPrivacy("en");
  return 0;
}
