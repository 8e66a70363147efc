// The download information service against the scripted HTTP client.
#include <gtest/gtest.h>

#include <string>

#include "CConfigure/CConfigure.h"
#include "ConfigTestSupport.h"
#include "http/fake/FakeHttpClient.h"

using namespace configtest;

namespace {

const char kQuery[] = "/queryDownloaderV2?LanguageId=1033&SoftWareID=642&SiteID=525";
const char kHttpsUrl[] = "https://dlinfo.marlowgate.com/queryDownloaderV2?LanguageId=1033&SoftWareID=642&SiteID=525";
const char kMd5[] = "00112233445566778899aabbccddeeff";

std::string Element(const std::string& children) { return "<Downloader>" + children + "</Downloader>"; }

http::FakeAnswer Answer(const std::string& body, CURLcode code = CURLE_OK) {
  http::FakeAnswer a;
  a.body = body;
  a.code = code;
  if (code != CURLE_OK) a.cutAfter = 0;
  return a;
}

class DownloadInfo : public ::testing::Test {
 protected:
  DownloadInfo() : os(dir.path()), scoped(os) {
    config.SetClientFactory(factory);
    UseTestQuery(config);
  }

  void serve(const std::string& body, const std::string& url = kHttpsUrl) { factory.web.answer(url, Answer(body)); }
  // Serves body, fetches and parses it; the parse's result.
  int load(const std::string& body) {
    serve(body);
    config.getDownloadInfoXml(false);
    return config.ParseDownloaderXml();
  }
  // The record as published now, held until the next call.
  const ProductConfig& record() {
    held = config.Snapshot();
    return *held;
  }
  std::string onlyRequest() const {
    auto requests = factory.web.requests();
    return requests.size() == 1 ? requests[0].url : "requests: " + std::to_string(requests.size());
  }

  testing_support::TempDir dir;
  ConfigOs os;
  platform::ScopedOs scoped;
  http::FakeHttpClientFactory factory;
  RecordingEvents events;
  CConfigure config;
  std::shared_ptr<const ProductConfig> held;
};

TEST_F(DownloadInfo, AddressFollowsTestEnvSystemWidthAndServiceBase) {
  serve(Element(""));
  EXPECT_EQ(config.getDownloadInfoXml(true), 1);
  EXPECT_EQ(onlyRequest(), kHttpsUrl);
  EXPECT_EQ(config.GetLastQueryUrl(), kHttpsUrl);

  os.options("[Settings]\nTestEnv=1\n");
  os.system64 = true;  // a 64-bit program on 64-bit Windows: never under WOW64
  std::string testUrl = std::string("http://dlinfo.marlowgate.com") + kQuery + "&package_type=2";
  serve(Element(""), testUrl);
  EXPECT_EQ(config.getDownloadInfoXml(true), 1);
  EXPECT_EQ(factory.web.requests().back().url, testUrl);

  // The base brings its own scheme and host, whatever TestEnv says.
  os.options("[Settings]\nTestEnv=0\n[Endpoints]\nServiceBase=http://127.0.0.1:8480/ignored/path\n");
  os.system64 = false;
  serve(Element(""), std::string("http://127.0.0.1:8480") + kQuery);
  EXPECT_EQ(config.getDownloadInfoXml(false), 1);
  EXPECT_EQ(config.GetLastQueryUrl(), std::string("http://127.0.0.1:8480") + kQuery);
}

TEST_F(DownloadInfo, LongServiceBaseIsRefusedWholeNeverCut) {
  LogCapture log(dir);
  serve(Element(""));
  config.getDownloadInfoXml(true);
  const size_t rest = std::string(kQuery).size() + std::string("http://").size();
  // An address of exactly 511 characters still fits; one more is refused.
  std::string host(511 - rest, 'h');
  std::string fits = "http://" + host + kQuery;
  ASSERT_EQ(fits.size(), 511u);
  os.options("[Endpoints]\nServiceBase=http://" + host + "\n");
  serve(Element(""), fits);
  EXPECT_EQ(config.getDownloadInfoXml(true), 1);
  EXPECT_EQ(config.GetLastQueryUrl(), fits);

  os.options("[Endpoints]\nServiceBase=http://" + host + "h\n");
  EXPECT_EQ(config.getDownloadInfoXml(true), 0);
  EXPECT_EQ(config.GetLastQueryUrl(), fits) << "the refused address is not kept";
  EXPECT_EQ(factory.web.requests().size(), 2u) << "nothing was asked with a cut address";
  EXPECT_NE(log.text().find(" GetDownloaderInfoV2(Sync) refused: the address needs 512 characters"), std::string::npos);
}

TEST_F(DownloadInfo, PercentSignsInTheBaseAreNotFormatDirectives) {
  os.options("[Endpoints]\nServiceBase=http://h%s%n%d:1\n");
  std::string url = std::string("http://h%s%n%d:1") + kQuery;
  serve(Element(""), url);
  EXPECT_EQ(config.getDownloadInfoXml(false), 1);
  EXPECT_EQ(onlyRequest(), url);
}

TEST_F(DownloadInfo, LogLinesAndTimingEvents) {
  LogCapture log(dir);
  os.tickStep = 1700;  // the request seems to take 1.7 s: whole seconds, truncated
  serve(Element(""));
  config.getDownloadInfoXml(false);
  config.getDownloadInfoXml(true);
  EXPECT_TRUE(log.hasLineEnding(" GetDownloaderInfoV2(Async)...LanguageId=1033&SoftWareID=642&SiteID=525"));
  EXPECT_TRUE(log.hasLineEnding(" GetDownloaderInfoV2(Sync)...LanguageId=1033&SoftWareID=642&SiteID=525"));
  EXPECT_TRUE(log.hasLineEnding(" getDownloadInfoXml: LanguageId=1033&SoftWareID=642&SiteID=525"));
  EXPECT_TRUE(log.hasLineEnding(" GetDownloaderInfo(Async) return 0, len=25"));
  EXPECT_EQ(events.all(), (std::vector<std::string>{"E Other|AsyncGetCbsTime|1", "E Other|SyncGetCbsTime|1"}));
}

TEST_F(DownloadInfo, TransferFailuresReportTheirFlowErrors) {
  factory.web.queue(kHttpsUrl, Answer("", CURLE_OPERATION_TIMEDOUT));
  factory.web.queue(kHttpsUrl, Answer("", CURLE_COULDNT_RESOLVE_HOST));
  factory.web.queue(kHttpsUrl, Answer("", CURLE_COULDNT_CONNECT));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(config.getDownloadInfoXml(true), 0);
  EXPECT_EQ(events.all(), (std::vector<std::string>{"E Other|FlowError|DL002", "E Other|SyncGetCbsTime|0",
                                                    "E Other|FlowError|DL003", "E Other|SyncGetCbsTime|0",
                                                    "E Other|SyncGetCbsTime|0"}));
}

TEST_F(DownloadInfo, OnlyTheElementIsKeptAndAnErrorPageKeepsTheOldOne) {
  std::string element = Element("<Md5>" + std::string(kMd5) + "</Md5><Downloader_id>7</Downloader_id>");
  serve("<?xml version=\"1.0\"?><Response><Code>0</Code>" + element + "</Response> trailing </Downloader>");
  EXPECT_EQ(config.getDownloadInfoXml(false), 1);

  serve("<html><body><h1>502 Bad Gateway</h1></body></html>");
  EXPECT_EQ(config.getDownloadInfoXml(false), 0);
  serve("<Downloader>cut short");
  EXPECT_EQ(config.getDownloadInfoXml(false), 0);
  // The closing tag is looked for only after the opening one.
  serve("</Downloader><Downloader>");
  EXPECT_EQ(config.getDownloadInfoXml(false), 0);
  EXPECT_EQ(config.GetLoadState(), 1) << "fetching never loads";
  EXPECT_EQ(config.ParseDownloaderXml(), 1);
  EXPECT_EQ(record().Md5, std::wstring(kMd5, kMd5 + 32));
  EXPECT_EQ(record().Downloader_id, 7);
}

TEST_F(DownloadInfo, ElementsFillTheRecordWithTheirConversions) {
  config.Update([](ProductConfig& r) {
    r.MirrorUrls = {L"https://old.example.com/p.exe"};
    r.Software_version = L"stale";
    r.Trusted_publisher = L"CN=Lumevia Test Publisher";
  });
  ASSERT_EQ(load(Element("<Trusted_publisher>CN=Someone Else</Trusted_publisher>"
                         "<Software_id>12</Software_id><Site_id> 99 </Site_id>"
                         "<Software_name>Lum\xC3\xA9via</Software_name>"
                         "<Software_version></Software_version>"
                         "<Process_name>Velscape.exe\r\n</Process_name>"
                         "<Download_url>https://mirror.example.com/a\r\n.exe</Download_url>"
                         "<Extra_download_url>https://dl.example.com/b.exe\n</Extra_download_url>"
                         "<Install_url>https://www.example.com/install\r\n</Install_url>"
                         "<Filesize>3221225472</Filesize><Downloader_type>2</Downloader_type>"
                         "<Unknown>skipped</Unknown><Md5_extra>ab</Md5_extra>")),
            1);
  EXPECT_EQ(record().LoadState, 2);
  EXPECT_EQ(record().LoadSource, 1);
  EXPECT_EQ(record().Software_id, 12);
  EXPECT_EQ(record().Site_id, 99);
  EXPECT_EQ(record().Software_name, L"Lum\u00E9via");
  EXPECT_TRUE(record().Software_version.empty()) << "an element without text gives an empty text";
  EXPECT_EQ(record().Process_name, L"Velscape.exe");
  EXPECT_EQ(record().Download_url, L"https://mirror.example.com/a.exe");
  EXPECT_EQ(record().Extra_download_url, L"https://dl.example.com/b.exe");
  // The parser turns CR LF into LF; only the address and process fields drop line breaks.
  EXPECT_EQ(record().Install_url, L"https://www.example.com/install\n");
  EXPECT_EQ(record().Filesize, 3221225472LL);
  EXPECT_EQ(record().Downloader_type, 2);
  EXPECT_EQ(record().Md5_extra, L"ab");
  EXPECT_EQ(record().Trusted_publisher, L"CN=Lumevia Test Publisher") << "only the packed configuration names publishers";
  EXPECT_EQ(record().MirrorUrls,
            (std::vector<std::wstring>{L"https://old.example.com/p.exe", L"https://mirror.example.com/a.exe"}));
}

TEST_F(DownloadInfo, RepeatedElementsOverrideAndBadIntegersLeaveTheirFields) {
  config.Update([](ProductConfig& r) {
    r.Software_id = 5;
    r.Filesize = 10;
    r.Downloader_type = 3;
  });
  ASSERT_EQ(load(Element("<Md5>first</Md5><Site_id>1</Site_id><Md5>second</Md5><Site_id>2</Site_id>"
                         "<Software_id>12abc</Software_id><Filesize>lots</Filesize><Downloader_type/>"
                         "<Downloader_id>99999999999</Downloader_id><Filesize><b>1</b></Filesize>")),
            1);
  EXPECT_EQ(record().Md5, L"second");
  EXPECT_EQ(record().Site_id, 2);
  EXPECT_EQ(record().Software_id, 5);
  EXPECT_EQ(record().Filesize, 10);
  EXPECT_EQ(record().Downloader_type, 3);
  EXPECT_EQ(record().Downloader_id, 642) << "out of range is not a number of the field";
}

TEST_F(DownloadInfo, LongSoftwareNamesKeepTheirFirst259Characters) {
  std::string a259(259, 'a');
  ASSERT_EQ(load(Element("<Software_name>" + a259 + "bc</Software_name>")), 1);
  EXPECT_EQ(record().Software_name, std::wstring(259, L'a'));
  // A letter outside the basic plane at the cut is dropped whole, not halved.
  ASSERT_EQ(load(Element("<Software_name>" + std::string(258, 'a') + "\xF0\x9F\x98\x80z</Software_name>")), 1);
  std::wstring name = record().Software_name;
  ASSERT_GE(name.size(), 258u);
  EXPECT_EQ(name.substr(0, 258), std::wstring(258, L'a'));
  EXPECT_TRUE(name.size() == 258 || name.substr(258) == L"\U0001F600") << "one whole character or none";
  EXPECT_LE(name.size(), 259u);
}

TEST_F(DownloadInfo, MalformedAnswersFailAndLeaveTheRecord) {
  config.Update([](ProductConfig& r) {
    r.Md5 = L"kept";
    r.Filesize = 77;
  });
  const std::string nested = std::string(100000, '<') + "a>";
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<x>";
  for (const std::string& bad :
       {Element("<Md5>new</Md5><Filesize>5</Filesize><open>"), Element(nested), Element("<Md5>new</Md5>" + deep),
        Element("<Md5>new</Md5><a></b>"), Element("<Md5 x=>new</Md5>")}) {
    SCOPED_TRACE(bad.substr(0, 40));
    serve("garbage " + bad + " garbage");
    ASSERT_EQ(config.getDownloadInfoXml(false), 1);
    EXPECT_EQ(config.ParseDownloaderXml(), 0);
    EXPECT_EQ(record().LoadState, 1);
    EXPECT_EQ(record().Md5, L"kept");
    EXPECT_EQ(record().Filesize, 77);
  }
  CConfigure fresh;
  EXPECT_EQ(fresh.ParseDownloaderXml(), 0) << "no element at all";
}

TEST_F(DownloadInfo, AnswersOfSeveralMegabytesAreCut) {
  std::string padding(6 * 1024 * 1024, 'x');
  ASSERT_EQ(load(padding + Element("<Md5>big</Md5><Big>" + padding + "</Big>") + padding), 1);
  EXPECT_EQ(record().Md5, L"big");
}

TEST_F(DownloadInfo, InstallRefreshFallsBackToTheLabelsAndPrints) {
  LogCapture log(dir);
  MapLabels labels;
  labels.labels = {{L"Download_url", L"https://www.example.com/label.exe"}, {L"Md5", L"labelmd5"}};
  std::vector<std::string> calls;
  RefreshHooks hooks{[&] { calls.push_back("before:" + std::to_string(factory.web.requests().size())); },
                     [&] { calls.push_back("after:" + std::to_string(factory.web.requests().size())); }};
  serve("<html>error</html>");
  EXPECT_EQ(config.RefreshForInstall(labels, hooks), 2);
  EXPECT_EQ(calls, (std::vector<std::string>{"before:0", "after:1"}));
  EXPECT_EQ(record().LoadSource, 2);
  EXPECT_EQ(record().Md5, L"labelmd5");
  EXPECT_NE(log.text().find(" Configure Load From File! "), std::string::npos);

  // Loaded already: no request, but the record is printed again.
  EXPECT_EQ(config.RefreshForInstall(labels, hooks), 2);
  EXPECT_EQ(factory.web.requests().size(), 1u);
  EXPECT_EQ(calls.size(), 2u);

  config.SetLoadState(1);
  serve(Element(std::string("<Md5>") + kMd5 + "</Md5>"));
  EXPECT_EQ(config.RefreshForInstall(labels), 2);
  EXPECT_EQ(record().LoadSource, 1);
  EXPECT_EQ(record().Md5, std::wstring(kMd5, kMd5 + 32));
  EXPECT_NE(log.text().find(" Configure Load From XML! "), std::string::npos);
}

TEST(DownloadHostKind, OwnHostsOtherHostsAndTheCdns) {
  EXPECT_EQ(CConfigure::GetDownloadHostKind(L"https://dl.marlowgate.com/a.exe"), 10);
  EXPECT_EQ(CConfigure::GetDownloadHostKind(L"https://CDN.marlowgate.com/a.exe"), 10);
  EXPECT_EQ(CConfigure::GetDownloadHostKind(L"no address"), 10);
  EXPECT_EQ(CConfigure::GetDownloadHostKind(L"https://www.example.com"), 10) << "no / after the host";
  EXPECT_EQ(CConfigure::GetDownloadHostKind(L"www.example.com/a.exe"), 10) << "no / before the host";
  EXPECT_EQ(CConfigure::GetDownloadHostKind(L"https://mirror.example.com/dl.exe"), 11);
  EXPECT_EQ(CConfigure::GetDownloadHostKind(L"http://127.0.0.1:8480/pkg/a.exe"), 11);
  EXPECT_EQ(CConfigure::GetDownloadHostKind(L"https://marlowgate-pkg.oss-accelerate.aliyuncs.com/a.exe"), 12);
  EXPECT_EQ(CConfigure::GetDownloadHostKind(L"https://pkg.vitalis.example/a.exe"), 12) << "ali anywhere";
  EXPECT_EQ(CConfigure::GetDownloadHostKind(L"https://d3k9marlowgate.cloudfront.net/a.exe"), 13);
  EXPECT_EQ(CConfigure::GetDownloadHostKind(L"https://other.cloudfront.net/a.exe"), 11);
}

TEST(SystemRegion, ComesFromThePlatformAndIsLogged) {
  testing_support::TempDir dir;
  ConfigOs os(dir.path());
  platform::ScopedOs scoped(os);
  LogCapture log(dir);
  os.region = L"AT";
  EXPECT_EQ(CConfigure::GetSystemRegion(), L"AT");
  EXPECT_NE(log.text().find(" System Region info is : AT"), std::string::npos);
}

}  // namespace
