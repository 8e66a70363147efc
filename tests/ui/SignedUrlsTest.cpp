// Signed data-service addresses: the signing rule (query before "&verify="
// plus the salt), the clock, the language code, the test host, long bases.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "Common/SideFetches.h"
#include "FuntionImpl/SignedUrls.h"
#include "SideFetchDoubles.h"

namespace {

struct SignedUrls : ::testing::Test {
  ui_test::FetchOs os{ui_test::TempFolder()};
  platform::ScopedOs scoped{os};
  SignedUrls() { os.nowMs = 1700000000123; }
  void Options(const std::string& text) {
    ASSERT_TRUE(os.WriteFile(platform::JoinPath(os.Dir(), L"zq_downloader.cfg"), text));
  }
};

// Digests computed apart from the program (Python's hashlib).
const char kPrivacy[] =
    "https://data.marlowgate.com/api/v1/user_privacy_info?parent_pid=9909&timestamp=1700000000"
    "&verify=42cc67fec02727bed7f49261100a225b";
const char kBannerZhCn[] =
    "https://data.marlowgate.com/api/v1/banners?lang_code=zh-cn&parent_pid=9909&timestamp=1700000000&type=1"
    "&verify=f097d7038313e965840c918f2a10dba4";

TEST_F(SignedUrls, SignTheQueryWithTheSaltAndTheSecondsOfTheClock) {
  EXPECT_EQ(FuntionImpl::GetPrivacyUrl(9909), kPrivacy);
  EXPECT_EQ(FuntionImpl::GetBannerPicUrl(9909, Lang_Chinese), kBannerZhCn);
}

TEST_F(SignedUrls, SameSecondGivesTheSameAddressTheNextSecondAnother) {
  const std::string first = FuntionImpl::GetPrivacyUrl(7);
  os.nowMs += 876;  // still 1700000000 s
  EXPECT_EQ(FuntionImpl::GetPrivacyUrl(7), first);
  os.nowMs += 1000;
  const std::string next = FuntionImpl::GetPrivacyUrl(7);
  EXPECT_NE(next, first);
  EXPECT_NE(next.substr(next.find("&verify=")), first.substr(first.find("&verify=")));
  EXPECT_NE(next.find("timestamp=1700000001&"), std::string::npos);
}

TEST_F(SignedUrls, UnknownLanguageIsEnglishAndTheDigestIsLowerCaseHex) {
  const std::string url = FuntionImpl::GetBannerPicUrl(0, static_cast<EnumLanguage>(25));
  EXPECT_NE(url.find("?lang_code=en&parent_pid=0&"), std::string::npos) << url;
  const std::regex verify("&verify=[0-9a-f]{32}$");
  EXPECT_TRUE(std::regex_search(url, verify)) << url;
  for (int pid : {0, -1, 2147483647}) EXPECT_TRUE(std::regex_search(FuntionImpl::GetPrivacyUrl(pid), verify));
}

TEST_F(SignedUrls, TestEnvChangesOnlyTheHost) {
  Options("[Settings]\r\nTestEnv=1\r\n");
  std::string url = FuntionImpl::GetPrivacyUrl(9909);
  const std::string testHost = "https://data-test.marlowgate.com/";
  ASSERT_EQ(url.compare(0, testHost.size(), testHost), 0) << url;
  EXPECT_EQ(url.substr(testHost.size()), std::string(kPrivacy).substr(std::string(kPrivacy).find("/api/") + 1));
}

TEST_F(SignedUrls, ALongServiceBaseGivesTheWholeAddressOrNone) {
  Options("[Endpoints]\r\nServiceBase=http://127.0.0.1:8480\r\n");
  EXPECT_EQ(FuntionImpl::GetPrivacyUrl(9909),
            std::string("http://127.0.0.1:8480") + std::string(kPrivacy).substr(std::strlen("https://data.marlowgate.com")));
  Options("[Endpoints]\r\nServiceBase=http://" + std::string(200, 'h') + ".test\r\n");
  EXPECT_EQ(FuntionImpl::GetPrivacyUrl(9909), "");  // 272 characters: refused, not cut
  EXPECT_EQ(FuntionImpl::GetBannerPicUrl(9909, Lang_English), "");
}

}  // namespace
