// The main window's side-fetches against the scripted HTTP client: privacy
// links, banners, sub-programs, the country check, and what they refuse
// (answers of the wrong shape, service names that would leave their folder).
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "CConfigure/CConfigure.h"
#include "Common/InstallUIMainWnd.h"
#include "Common/SideFetches.h"
#include "FuntionImpl/SignedUrls.h"
#include "MainWindowFixture.h"
#include "SideFetchDoubles.h"
#include "../unit/TestSupport.h"
#include "http/fake/FakeHttpClient.h"
#include "log/Events.h"

namespace {

using ui_test::FetchOs;
using RecordingWindow = ui_test::RecordingSideFetchWindow;
using RecordingEvents = testing_support::RecordingEvents;

const char kIpUrl[] = "http://ipgeo.marlowgate.com/json";
const char kPng[] = "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x02\0\0\0\x02\x08\x06\0\0\0";

struct SideFetch : ::testing::Test {
  FetchOs os{ui_test::TempFolder()};
  platform::ScopedOs scoped{os};
  RecordingEvents events;
  std::shared_ptr<http::FakeHttpClientFactory> web = std::make_shared<http::FakeHttpClientFactory>();
  std::shared_ptr<RecordingWindow> window = std::make_shared<RecordingWindow>();
  SideFetchContext c = ui_test::FetchContext(os.Dir(), web, window);

  void Answer(const std::string& url, const std::string& body) {
    http::FakeAnswer a;
    a.body = body;
    web->web.answer(url, a);
  }
  std::string PrivacyUrl() { return FuntionImpl::GetPrivacyUrl(9909); }
  std::string BannerUrl() { return FuntionImpl::GetBannerPicUrl(9909, Lang_English); }
  int Requests() { return static_cast<int>(web->web.requests().size()); }
  void Module(const std::wstring& name) { os.moduleName = name; }
  std::string KitUrl(const std::string& click) {
    return "https://kit.brightquill.com/kitDownloads?t=" + click + "&package_type=2";
  }
  void Options(const std::string& text) {
    ASSERT_TRUE(os.WriteFile(platform::JoinPath(os.Dir(), L"zq_downloader.cfg"), text));
  }
};

const std::wstring kTag20 = L"2" + std::wstring(19, L'0');

// ---- privacy links -------------------------------------------------------------------

TEST_F(SideFetch, PrivacyEntryWithoutPrivacyLinkIsStoredAndReported) {
  Answer(PrivacyUrl(), R"([{"lang_code":"en","urls":[{"field":"p","url":""},{"field":"tc","url":"https://t/en"}]},
                            {"lang_code":"de","urls":[{"field":"p","url":"https://p/de"},{"field":"x","url":"y"}]}])");
  SideFetches::GetCbsPrivacy(c);
  EXPECT_EQ(c.config->GetLinkPrivacy("en"), L"");
  EXPECT_EQ(c.config->GetLinkLicense("en"), L"https://t/en");
  EXPECT_EQ(c.config->GetLinkPrivacy("de"), L"https://p/de");
  // "de" names no terms link at all: only an empty one is reported.
  EXPECT_EQ(events.all(), std::vector<std::string>{"E Other|FlowError|DL004"});
}

TEST_F(SideFetch, ErrorAnswersStoreNothing) {
  Answer(PrivacyUrl(), R"({"code":403,"msg":"bad verify"})");
  SideFetches::GetCbsPrivacy(c);
  // An array that names "code" is an error answer as well.
  Answer(BannerUrl(), R"([{"banner_url":"https://b/1.png","sort":1,"code":200}])");
  SideFetches::GetCbsBanner(c);
  EXPECT_EQ(c.config->GetLinkLicense("en"), L"");
  BannerEntry e;
  EXPECT_FALSE(c.config->GetBannerEntry(1, e));
  EXPECT_EQ(web->web.count("HEAD", "https://b/1.png") + web->web.count("GET", "https://b/1.png"), 0);
}

TEST_F(SideFetch, EmptyAnswersAreAskedThreeTimes) {
  Answer(PrivacyUrl(), "");
  SideFetches::GetCbsPrivacy(c);
  EXPECT_EQ(web->web.count("GET", PrivacyUrl()), 3);
}

// ---- banners ---------------------------------------------------------------------------

TEST_F(SideFetch, ThreeBannersOneFailingStoresTwoAndPostsNothing) {
  Answer(BannerUrl(), R"([{"banner_url":"https://b/1.png","jump_url":"https://j/1","prompt":"Eins","sort":1},
                           {"banner_url":"https://b/2.png","jump_url":"https://j/2","prompt":"Zwei","sort":2},
                           {"banner_url":"https://b/3.png","jump_url":"https://j/3","prompt":"Drei","sort":3}])");
  web->web.serveFile("https://b/1.png", std::string(kPng, sizeof kPng - 1));
  web->web.serveFile("https://b/3.png", std::string(kPng, sizeof kPng - 1));
  SideFetches::GetCbsBanner(c);
  BannerEntry e;
  ASSERT_TRUE(c.config->GetBannerEntry(3, e));
  EXPECT_EQ(e.localFile, platform::JoinPath(c.downloadFolder, L"3.png"));
  EXPECT_EQ(e.jumpUrl, L"https://j/3");
  EXPECT_EQ(e.promptText, L"Drei");
  EXPECT_TRUE(os.FileExists(e.localFile));
  EXPECT_TRUE(c.config->GetBannerEntry(1, e));
  EXPECT_FALSE(c.config->GetBannerEntry(2, e));
  EXPECT_TRUE(window->posted.empty());

  web->web.serveFile("https://b/2.png", std::string(kPng, sizeof kPng - 1));
  SideFetches::GetCbsBanner(c);
  EXPECT_EQ(window->posted, std::vector<unsigned>{WM_BANNER_READY});
}

TEST_F(SideFetch, ABannerThatDoesNotLoadIsLeftOut) {
  Answer(BannerUrl(), R"([{"banner_url":"https://b/1.png","sort":1}])");
  web->web.serveFile("https://b/1.png", "not a picture");
  window->loads = false;
  SideFetches::GetCbsBanner(c);
  BannerEntry e;
  EXPECT_FALSE(c.config->GetBannerEntry(1, e));
  EXPECT_EQ(window->registered.size(), 1u);
  EXPECT_TRUE(window->posted.empty());
}

TEST_F(SideFetch, BannerExtensionsThatLeaveTheFolderAreRefused) {
  Answer(BannerUrl(), R"([{"banner_url":"https://b/x.png\\..\\..\\evil","sort":1},
                           {"banner_url":"https://b/x.p:ng","sort":2},
                           {"banner_url":"https://b/x.p\u0001","sort":3},
                           {"banner_url":"https://b.test/picture","sort":4}])");
  SideFetches::GetCbsBanner(c);
  EXPECT_EQ(Requests(), 1);  // the list only; no picture fetched
  EXPECT_TRUE(window->registered.empty());
}

// ---- answers of the wrong shape ----------------------------------------------------

TEST_F(SideFetch, AnswersOfTheWrongShapeFailWithoutException) {
  const std::string deep = std::string(5000, '[') + std::string(5000, ']');
  const std::string huge = "[" + std::string(3 << 20, ' ') + "]";
  const std::vector<std::string> privacy = {
      R"([{"lang_code":"en","urls":[{"field":"p","url":7}]}])", R"([{"lang_code":["en"]}])",
      R"([{"lang_code":"en","urls":{"field":"p"}}])", R"([1,2])", R"({"code":"200"})",
      R"({"code":18376052528244355521})", deep, huge};
  for (const std::string& answer : privacy) {
    Answer(PrivacyUrl(), answer);
    EXPECT_NO_THROW(SideFetches::GetCbsPrivacy(c)) << answer.substr(0, 60);
  }
  EXPECT_EQ(c.config->GetLinkPrivacy("en"), L"");

  for (const std::string& answer : {std::string(R"([{"banner_url":"https://b/1.png","sort":"1"}])"),
                                    std::string(R"([{"banner_url":5,"sort":1}])"), deep}) {
    Answer(BannerUrl(), answer);
    EXPECT_NO_THROW(SideFetches::GetCbsBanner(c));
  }
  EXPECT_TRUE(window->registered.empty());

  Module(L"Setup_" + kTag20 + L"k1.exe");
  for (const std::string& answer :
       {std::string(R"({"status":"0","data":[]})"), std::string(R"({"status":0,"data":{"pid":1}})"),
        std::string(R"({"status":0,"data":[{"pid":"1","download":"https://k/a.exe"}]})"),
        std::string(R"([{"status":0}])"), std::string(R"({"status":0,"data":[{"download":["x"]}]})"), deep}) {
    Answer(KitUrl("k1"), answer);
    EXPECT_NO_THROW(SideFetches::GetSubProgramInfo(c)) << answer;
  }
  EXPECT_TRUE(c.state->subPrograms.Records().empty());

  c.config->Update([&](ProductConfig& r) { r.ForbidCountries = {L"XX"}; });
  for (const std::string& answer : {std::string(R"(["countryCode"])"), std::string(R"({"countryCode":5})"), deep}) {
    Answer(kIpUrl, answer);
    EXPECT_NO_THROW(EXPECT_FALSE(SideFetches::IsNotSupport(c, false)));
  }
  EXPECT_EQ(c.state->CountryCode(), L"");
}

// ---- sub-programs ----------------------------------------------------------------------

TEST_F(SideFetch, ClickIdIsTheFileTagAfterItsFirstTwentyCharacters) {
  bool separated = false;
  EXPECT_EQ(SideFetches::ClickIdOf(L"LumeviaSetup_" + kTag20 + L"abc.exe", separated), L"abc");
  EXPECT_TRUE(separated);
  EXPECT_EQ(SideFetches::ClickIdOf(L"a_b_" + kTag20 + L"x.y.exe", separated), L"x.y");
  EXPECT_EQ(SideFetches::ClickIdOf(L"LumeviaSetup_" + kTag20 + L".exe", separated), L"");
  EXPECT_EQ(SideFetches::ClickIdOf(L"LumeviaSetup_1" + std::wstring(19, L'0') + L"abc.exe", separated), L"");
  EXPECT_EQ(SideFetches::ClickIdOf(L"LumeviaSetup.exe", separated), L"");
  EXPECT_FALSE(separated);

  Module(L"LumeviaSetup_" + kTag20 + L".exe");  // no click id: no request
  SideFetches::GetSubProgramInfo(c);
  const auto t0 = std::chrono::steady_clock::now();
  c.state->subPrograms.WaitReady(std::chrono::seconds(20));
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10)) << "the worker need not wait";
  Module(L"LumeviaSetup_" + kTag20 + L"a&b=c.exe");  // its own field, not two
  SideFetches::GetSubProgramInfo(c);
  ASSERT_EQ(Requests(), 1);
  EXPECT_EQ(web->web.requests()[0].url, KitUrl("a%26b%3dc"));
}

TEST_F(SideFetch, CountryLimitSkipsByCountryOrElseByRegion) {
  Module(L"LumeviaSetup_" + kTag20 + L"k1.exe");
  Answer(KitUrl("k1"), R"({"status":0,"msg":"ok","data":[
      {"pid":11,"parent_pid":9909,"download":"https://k/one.exe","file_size":"10","file_md5":"m1",
       "launch_name":"One.exe","install_dir":"One","country_limit":"US,CA","version":"1.2"},
      {"pid":12,"parent_pid":9909,"download":"https://k/two.setup.exe","file_size":"20","file_md5":"m2",
       "launch_name":"Two.exe","install_dir":"Two","country_limit":"","version":"3"}]})");
  Answer(kIpUrl, R"({"countryCode":"US"})");
  SideFetches::GetSubProgramInfo(c);
  auto records = c.state->subPrograms.Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].id, 12);
  EXPECT_EQ(records[0].parentId, 9909);
  EXPECT_EQ(records[0].md5, L"m2");
  EXPECT_EQ(records[0].localPath, platform::JoinPath(c.installFolder, L"two.setup_3.exe"));
  EXPECT_EQ(records[0].downloadUrl, L"https://k/two.setup.exe");
  EXPECT_EQ(records[0].folderName, L"Two");

  // No country known (the lookup fails): the system region decides.
  c.state = std::make_shared<InstallState>();
  web->web.answer(kIpUrl, http::FakeAnswer{0, {}, "", std::string::npos, CURLE_COULDNT_CONNECT});
  os.region = L"CA";
  SideFetches::GetSubProgramInfo(c);
  EXPECT_EQ(c.state->subPrograms.Records().size(), 1u);
  os.region = L"DE";
  c.state = std::make_shared<InstallState>();
  SideFetches::GetSubProgramInfo(c);
  EXPECT_EQ(c.state->subPrograms.Records().size(), 2u);

  Options("[Settings]\r\nSkipLimit=1\r\n");
  os.region = L"CA";
  c.state = std::make_shared<InstallState>();
  SideFetches::GetSubProgramInfo(c);
  EXPECT_EQ(c.state->subPrograms.Records().size(), 2u);
}

TEST_F(SideFetch, SubProgramNamesThatLeaveTheirFolderAreRefused) {
  Module(L"LumeviaSetup_" + kTag20 + L"k1.exe");
  const char* bad[][4] = {
      {"https://k/CON.exe", "1", "A", "a.exe"},   {"https://k/nul", "1", "A", "a.exe"},
      {"https://k/a.exe", "../1", "A", "a.exe"},  {"https://k/a.exe", "1", "C:\\\\x", "a.exe"},
      {"https://k/a.exe", "1", "A", "..\\\\a"},   {"https://k/a.exe", "1", "com1", "a.exe"},
      {"https://k/a.exe", "1\\u0007", "A", "a"},  {"https://k/a.exe", "1", "x/y", "a.exe"},
      {"https://k/a.exe", "1", "A\\\" /X", "a.exe"}, {"https://k/a.exe", "1", "A", "a\\\".exe"},
  };
  std::string data;
  for (auto& b : bad) {
    data += std::string(data.empty() ? "" : ",") + R"({"pid":1,"download":")" + b[0] + R"(","version":")" + b[1] +
            R"(","install_dir":")" + b[2] + R"(","launch_name":")" + b[3] + R"("})";
  }
  data += R"(,{"pid":2,"download":"https://k/ok.exe","version":"1.0","install_dir":"Ok","launch_name":"ok.exe"})";
  Answer(KitUrl("k1"), R"({"status":0,"msg":"","data":[)" + data + "]}");
  SideFetches::GetSubProgramInfo(c);
  auto records = c.state->subPrograms.Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].id, 2);
  EXPECT_EQ(records[0].localPath, platform::JoinPath(c.installFolder, L"ok_1.0.exe"));
}

TEST_F(SideFetch, NotToolkitAsksNothing) {
  Module(L"LumeviaSetup_" + kTag20 + L"k1.exe");
  c.toolkit = false;
  SideFetches::GetSubProgramInfo(c);
  EXPECT_EQ(Requests(), 0);
}

TEST_F(SideFetch, TheBackgroundRefreshIsAbandonedOnceTheWorkerHasStarted) {
  c.config->SetClientFactory(*web);
  c.config->getDownloadInfoXml(false);  // nothing answers yet: this only learns the address
  const std::string url = c.config->GetLastQueryUrl();
  ASSERT_FALSE(url.empty());
  const std::string xml = "<Downloader><Md5>0123456789abcdef0123456789abcdef</Md5></Downloader>";
  // The worker starts while the answer is on its way: the answer is left unparsed.
  web->web.handle(url, [this, xml](const http::FakeRequest&) {
    c.state->workerStarted = true;
    http::FakeAnswer a;
    a.body = xml;
    return a;
  });
  SideFetches::AsyncGetCbsInfo(c);
  EXPECT_TRUE(c.config->Snapshot()->Md5.empty());
  // Before the worker starts, the same answer fills the record.
  c.state->workerStarted = false;
  Answer(url, xml);
  SideFetches::AsyncGetCbsInfo(c);
  EXPECT_EQ(c.config->Snapshot()->Md5, L"0123456789abcdef0123456789abcdef");
}

// ---- country check -----------------------------------------------------------------------

TEST_F(SideFetch, CountryCheckAsksOnlyWhenCountriesAreForbiddenAndOnce) {
  Answer(kIpUrl, R"({"countryCode":"XX"})");
  EXPECT_FALSE(SideFetches::IsNotSupport(c, false));
  EXPECT_EQ(Requests(), 0);

  c.config->Update([&](ProductConfig& r) { r.ForbidCountries = {L"XX", L"YY"}; });
  EXPECT_TRUE(SideFetches::IsNotSupport(c, false));
  EXPECT_TRUE(SideFetches::IsNotSupport(c, false));
  EXPECT_EQ(Requests(), 1);  // the country is kept
  EXPECT_EQ(c.state->CountryCode(), L"XX");

  Options("[Settings]\r\nSkipLimit=1\r\n");
  EXPECT_FALSE(SideFetches::IsNotSupport(c, true));
}

TEST_F(SideFetch, CountryCheckFallsBackToTheRegionWhenTheLookupFails) {
  c.config->Update([&](ProductConfig& r) { r.ForbidCountries = {L"YY"}; });
  web->web.answer(kIpUrl, http::FakeAnswer{0, {}, "", std::string::npos, CURLE_COULDNT_CONNECT});
  os.region = L"DE";
  EXPECT_FALSE(SideFetches::IsNotSupport(c, false));
  os.region = L"YY";
  // An unreachable lookup does not open a forbidden region.
  EXPECT_TRUE(SideFetches::IsNotSupport(c, false));
  Answer(kIpUrl, R"({"countryCode":"FR"})");
  EXPECT_TRUE(SideFetches::IsNotSupport(c, false));
  EXPECT_EQ(c.state->CountryCode(), L"FR");
}

// ---- the window's threads -------------------------------------------------------------

using SideFetchWindow = ui_test::MainWindowFixture;

TEST_F(SideFetchWindow, ABannerFetchOutlivesItsWindow) {
  os.fixedUnixMs = 1700000000000;  // the list's address must not change with the second
  InstallUIMainWnd& w = Open();
  w.Config()->Update([&](ProductConfig& r) { r.MainPid = 9909; });
  std::shared_ptr<SideFetchContext> context = w.SideFetchContextNow();
  const std::string list = FuntionImpl::BannerPicUrlFor(9909, LanguageCode(w.Language()));
  std::atomic<bool> release{false};
  web->web.handle(list, [&release](const http::FakeRequest&) {
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return http::FakeAnswer{200, {}, R"([{"banner_url":"https://b/1.png","sort":1}])"};
  });
  web->web.serveFile("https://b/1.png", std::string(kPng, sizeof kPng - 1));
  std::weak_ptr<SideFetchContext> watch = context;
  SideFetches::StartDetached(&InstallUIMainWnd::GetCbsBanner, context);
  context.reset();
  wnd.reset();  // the user closes the window while the list is on its way
  release = true;
  for (int i = 0; i < 400 && !watch.expired(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(watch.expired());
  // The fetch went on after the window had gone: it fetched the picture. Whether
  // the picture is then kept depends on the closed window's image registry.
  bool pictureFetched = false;
  for (const http::FakeRequest& r : web->web.requests()) pictureFetched |= r.url == "https://b/1.png";
  EXPECT_TRUE(pictureFetched);
}

TEST_F(SideFetchWindow, CreationStartsTheFetchesWithoutALookupWhenNoCountryIsForbidden) {
  ASSERT_TRUE(platform::os().WriteFile(platform::JoinPath(os.Dir(), L"zq_downloader.cfg"), "[Settings]\r\n"));
  http::FakeAnswer country;
  country.body = R"({"countryCode":"US"})";
  web->web.answer(kIpUrl, country);
  Open();
  // The skin forbids no country: no lookup; the three fetches ask their services.
  for (int i = 0; i < 200 && web->web.requests().size() < 2; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  for (const http::FakeRequest& r : web->web.requests()) EXPECT_NE(r.url, kIpUrl);
  EXPECT_GE(web->web.requests().size(), 2u);
}

}  // namespace
