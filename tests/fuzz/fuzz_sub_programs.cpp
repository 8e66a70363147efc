// The sub-program answer of the kit service, with the IP-country answer the
// country limits ask for.
#include "SideFetchHarness.h"

namespace {
const char kKitUrl[] = "https://kit.brightquill.com/kitDownloads?t=k1&package_type=2";
const char kIpUrl[] = "http://ipgeo.marlowgate.com/json";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::SetUpSideFetches();
  fuzz::SideFetchRun::Os().moduleName = L"LumeviaSetup_2" + std::wstring(19, L'0') + L"k1.exe";
  fuzz::SideFetchRun run(data, size);
  run.Serve(kKitUrl);
  http::FakeAnswer country;
  country.body = R"({"countryCode":"US"})";
  run.web->web.answer(kIpUrl, country);
  SideFetches::GetSubProgramInfo(run.c);
  const std::wstring folder = platform::DirectoryOf(platform::JoinPath(run.c.installFolder, L"x"));
  for (const SubProgramRecord& sub : run.c.state->subPrograms.Records())
    fuzz::Require(platform::DirectoryOf(sub.localPath) == folder, "sub-programs are saved beside the product");
  return 0;
}
