// The record refreshed while readers use it. scripts/test.sh also runs this
// program built with ThreadSanitizer (the native-tsan preset), which reports
// any read of a record while it is being replaced.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ConfigTestSupport.h"
#include "http/fake/FakeHttpClient.h"

using namespace configtest;

namespace {

const char kUrl[] = "https://dlinfo.marlowgate.com/queryDownloaderV2?LanguageId=1033&SoftWareID=642&SiteID=525";
constexpr int kRounds = 150;

// Every record published pairs the name "p<n>" with version "<n>", Md5
// "md5-<n>" and size n: a reader that sees a mix has seen a record half replaced.
std::string Product(int n) {
  const std::string k = std::to_string(n);
  return "<Downloader><Software_name>p" + k + "</Software_name><Software_version>" + k +
         "</Software_version><Md5>md5-" + k + "</Md5><Filesize>" + k + "</Filesize></Downloader>";
}

bool Whole(const ProductConfig& r) {
  if (!r.ForbidCountries.empty() && r.ForbidCountries.front() != L"XX") return false;
  if (r.Software_name.empty()) return r.Software_version.empty() && r.Md5.empty() && r.Filesize == 0;
  const std::wstring n = r.Software_name.substr(1);
  return r.Software_version == n && r.Md5 == L"md5-" + n && std::to_wstring(r.Filesize) == n;
}

}  // namespace

TEST(ConfigRace, ReadersNeverSeeARecordBeingReplaced) {
  testing_support::TempDir dir;
  ConfigOs os(dir.path());
  platform::ScopedOs scoped(os);
  LogCapture log(dir);
  http::FakeHttpClientFactory factory;
  std::atomic<int> turn{0};
  factory.web.handle(kUrl, [&turn](const http::FakeRequest&) {
    http::FakeAnswer a;
    a.body = Product(1 + ++turn % 2);
    return a;
  });
  CConfigure config;
  config.SetClientFactory(factory);
  UseTestQuery(config);
  MapLabels full, quickOne, quickTwo;
  full.labels = {{L"Software_name", L"p3"}, {L"Software_version", L"3"}, {L"Md5", L"md5-3"}, {L"Filesize", L"3"}};
  quickOne.labels = {{L"ForbidCountries", L"XX"}, {L"Site_id", L"525"}};
  quickTwo.labels = {{L"ForbidCountries", L"XX,YY"}, {L"MainPid", L"9909"}};

  std::atomic<bool> go{false};
  std::atomic<int> writing{3};
  std::atomic<int> torn{0}, changed{0}, reads{0};
  auto writer = [&](std::function<void(int)> step) {
    return std::thread([&, step] {
      while (!go) std::this_thread::yield();
      for (int i = 0; i < kRounds; ++i) step(i);
      --writing;
    });
  };
  std::vector<std::thread> threads;
  // The background refresh, the install worker and the label passes.
  threads.push_back(writer([&](int) {
    config.getDownloadInfoXml(false);
    config.ParseDownloaderXml();
  }));
  threads.push_back(writer([&](int) {
    config.SetLoadState(1);
    config.RefreshForInstall(full);
  }));
  threads.push_back(writer([&](int i) {
    config.LoadFromLabels(i % 2 ? quickOne : quickTwo);
    config.Update([&](ProductConfig& r) { CConfigure::LoadAllFromLabels(r, full); });
  }));
  for (int k = 0; k < 2; ++k)
    threads.emplace_back([&] {
      while (!go) std::this_thread::yield();
      while (writing > 0) {
        const std::shared_ptr<const ProductConfig> r = config.Snapshot();
        const std::wstring name = r->Software_name;
        if (!Whole(*r) || (r->IsForbiddenCountry(L"YY") && r->ForbidCountries.size() != 2)) ++torn;
        std::this_thread::yield();
        // A record once taken stays as it was, whatever was published since.
        if (r->Software_name != name || !Whole(*r)) ++changed;
        ++reads;
      }
    });
  go = true;
  for (std::thread& t : threads) t.join();

  EXPECT_EQ(torn.load(), 0);
  EXPECT_EQ(changed.load(), 0);
  EXPECT_GT(reads.load(), 0);
  const std::shared_ptr<const ProductConfig> last = config.Snapshot();
  EXPECT_TRUE(Whole(*last));
  EXPECT_EQ(last->LoadState, 2) << "every writer that ends last leaves a loaded record";
  EXPECT_EQ(last->Downloader_id, 642);
  // The element kept is one whole answer.
  ASSERT_EQ(config.ParseDownloaderXml(), 1);
  EXPECT_TRUE(Whole(*config.Snapshot()));
}
