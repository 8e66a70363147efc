// The banner answer of the data service. Every picture it names is served
// (a small PNG), so that the downloads the answer starts end at once.
#include <json/json.h>

#include <memory>

#include "FuntionImpl/SignedUrls.h"
#include "SideFetchHarness.h"
#include "platform/Platform.h"

namespace {
const char kPng[] = "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x02\0\0\0\x02\x08\x06\0\0\0";

// The addresses the job will ask for: each banner_url as the product
// converts it (the code page there and back).
void ServePictures(fuzz::SideFetchRun& run) {
  Json::CharReaderBuilder builder;
  builder["stackLimit"] = 64;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string error;
  try {
    if (!reader->parse(run.answer.data(), run.answer.data() + run.answer.size(), &root, &error) || !root.isArray())
      return;
    for (const Json::Value& e : root) {
      if (!e.isObject() || !e["banner_url"].isString()) continue;
      platform::Os& os = platform::os();
      const std::string url = os.WideToAnsi(os.AnsiToWide(e["banner_url"].asString()));
      run.web->web.serveFile(url, std::string(kPng, sizeof kPng - 1));
    }
  } catch (const std::exception&) {
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  fuzz::SetUpSideFetches();
  fuzz::SideFetchRun run(data, size);
  run.Serve(FuntionImpl::GetBannerPicUrl(9909, Lang_English));
  ServePictures(run);
  SideFetches::GetCbsBanner(run.c);
  for (const std::wstring& file : run.window->registered)
    fuzz::Require(platform::DirectoryOf(file) == platform::DirectoryOf(platform::JoinPath(run.c.downloadFolder, L"x")),
                  "banner pictures stay in their folder");
  return 0;
}
