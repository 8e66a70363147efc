// The download information refresh against the real fake services (started
// by with_fake_services.sh): the exact query the service received, and the
// record filled from the real package's digest and size.
#include <gtest/gtest.h>
#include <json/json.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CConfigure/CConfigure.h"
#include "ConfigTestSupport.h"
#include "FuntionImpl/Md5.h"
#include "http/CLibcurlTool.h"

using namespace configtest;

namespace {

class FakeServices : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* port = std::getenv("LUMEVIA_FAKE_PORT");
    const char* root = std::getenv("LUMEVIA_FAKE_ROOT");
    const char* record = std::getenv("LUMEVIA_FAKE_RECORD");
    if (!port || !root || !record) GTEST_SKIP() << "needs the fake services (with_fake_services.sh)";
    base_ = std::string("http://127.0.0.1:") + port;
    root_ = platform::os().AnsiToWide(root);
    record_ = platform::os().AnsiToWide(record);
    os.options("[Endpoints]\nServiceBase=" + base_ + "\n");
    UseTestQuery(config);
  }
  bool setRules(const std::string& json) const {
    CLibcurlTool tool;
    std::string answer;
    return tool.HttpPost(base_ + "/__control/rules", json, answer, nullptr) == CURLE_OK &&
           answer.find("\"ok\": true") != std::string::npos;
  }
  // The raw queries of the download information requests, in order.
  std::vector<std::string> recordedQueries() const {
    std::string text;
    platform::os().ReadFile(record_, text);
    std::istringstream lines(text);
    std::vector<std::string> queries;
    Json::CharReaderBuilder builder;
    for (std::string line; std::getline(lines, line);) {
      Json::Value v;
      std::istringstream in(line);
      if (Json::parseFromStream(builder, in, &v, nullptr) && v["path"].asString() == "/queryDownloaderV2")
        queries.push_back(v["query"].asString());
    }
    return queries;
  }

  testing_support::TempDir dir;
  ConfigOs os{dir.path()};
  platform::ScopedOs scoped{os};
  CConfigure config;
  std::string base_;
  std::wstring root_, record_;
};

TEST_F(FakeServices, RefreshFillsTheRecordFromThePackageTheServiceDescribes) {
  std::string package(700 * 1024 + 17, '\0');
  for (size_t i = 0; i < package.size(); ++i) package[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
  ASSERT_TRUE(platform::os().WriteFile(platform::JoinPath(root_, L"config-pkg.exe"), package));
  ASSERT_TRUE(setRules(R"([{"path": "/queryDownloaderV2", "package": "config-pkg.exe"}])"));

  MapLabels labels;
  ASSERT_EQ(config.RefreshForInstall(labels), 2);
  const ProductConfig record = *config.Snapshot();
  EXPECT_EQ(record.LoadSource, 1);
  EXPECT_EQ(platform::os().WideToAnsi(record.Md5), FuntionImpl::Md5Hex(package));
  EXPECT_EQ(record.Filesize, static_cast<int64_t>(package.size()));
  EXPECT_EQ(platform::os().WideToAnsi(record.Download_url), base_ + "/pkg/config-pkg.exe");
  EXPECT_EQ(record.Process_name, L"Velscape.exe");
  EXPECT_EQ(record.Downloader_id, 642);
  EXPECT_EQ(record.MirrorUrls, std::vector<std::wstring>{record.Download_url});
  EXPECT_EQ(CConfigure::GetDownloadHostKind(record.Download_url), 11);

  // On 64-bit Windows the query names the 64-bit package; an error page then keeps the element.
  os.system64 = true;
  ASSERT_TRUE(setRules(R"([{"path": "/queryDownloaderV2", "error_page": true}])"));
  EXPECT_EQ(config.getDownloadInfoXml(false), 0);
  ASSERT_EQ(config.ParseDownloaderXml(), 1);
  EXPECT_EQ(config.Snapshot()->Md5, record.Md5);
  EXPECT_EQ(config.GetLastQueryUrl(),
            base_ + "/queryDownloaderV2?LanguageId=1033&SoftWareID=642&SiteID=525&package_type=2");

  EXPECT_EQ(recordedQueries(), (std::vector<std::string>{"LanguageId=1033&SoftWareID=642&SiteID=525",
                                                        "LanguageId=1033&SoftWareID=642&SiteID=525&package_type=2"}));
}

}  // namespace
