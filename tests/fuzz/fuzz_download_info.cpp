// The download-information answer: fetched through the scripted client as
// the install worker asks for it, its Downloader element cut out, kept and
// parsed into the configuration record.
#include <string>

#include "CConfigure/CConfigure.h"
#include "FuzzSupport.h"
#include "http/fake/FakeHttpClient.h"

namespace {
// The query address a fresh record asks with.
std::string QueryUrl() {
  CConfigure probe;
  http::FakeHttpClientFactory web;
  probe.SetClientFactory(web);
  probe.getDownloadInfoXml(true);
  return probe.GetLastQueryUrl();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string url = QueryUrl();
  http::FakeHttpClientFactory web;
  http::FakeAnswer answer;
  answer.body.assign(reinterpret_cast<const char*>(data), size);
  web.web.answer(url, answer);
  CConfigure config;
  config.SetClientFactory(web);
  const std::wstring before = L"https://download.lumevia.com/release/Lumevia_Setup.exe";
  config.Update([&](ProductConfig& r) { r.Download_url = before; });
  const int kept = config.getDownloadInfoXml(true);
  fuzz::Require(web.web.count("GET", url) == 1, "one request per refresh");
  const int parsed = config.ParseDownloaderXml();
  fuzz::Require(kept == 1 || parsed == 0, "nothing parses without a kept element");
  const std::shared_ptr<const ProductConfig> held = config.Snapshot();
  const ProductConfig& record = *held;
  fuzz::Require(parsed ? record.LoadState == 2 : record.LoadState == 1, "the load state tells the parse result");
  fuzz::Require(record.Software_name.size() <= 259, "the product name fits its field");
  fuzz::Require(parsed || record.Download_url == before, "a failed parse leaves the record as it was");
  CConfigure::GetDownloadHostKind(record.Download_url);
  CConfigure::printContent(*config.Snapshot());
  return 0;
}
