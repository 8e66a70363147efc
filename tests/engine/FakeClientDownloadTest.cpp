// SuperDownloadFile with the scripted HTTP client: no server, every request
// seen.
#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "engine/CDownLoadImpl.h"
#include "engine/RecordingEngineEvents.h"
#include "http/fake/FakeHttpClient.h"

using namespace enginetest;

namespace {

constexpr size_t kMiB = 1048576;
const char kReal[] = "http://pkg.test/files/real.bin";

class FakeClientDownload : public ::testing::Test {
 protected:
  void SetUp() override { setEngineEvents(&events); }
  void TearDown() override { setEngineEvents(nullptr); }

  int fetch(const std::string& url, const std::wstring& local) {
    CDownLoadImpl impl(nullptr, 4, &clients);
    return impl.SuperDownloadFile(platform::os().AnsiToWide(url), local, cdn, true, false);
  }
  // Bytes asked for by the ranged GETs of url, clamped to the file.
  int64_t askedBytes(const std::string& url, int64_t size) const {
    int64_t sum = 0;
    for (const http::FakeRequest& r : clients.web.requests())
      if (r.method == "GET" && r.url == url && r.rangeFirst >= 0)
        sum += std::min(r.rangeLast, size - 1) - r.rangeFirst + 1;
    return sum;
  }

  http::FakeHttpClientFactory clients;
  RecordingEngineEvents events;
  TempDir dir;
  std::string cdn;
};

}  // namespace

TEST_F(FakeClientDownload, RelativeRedirectAndLowerCaseNamesDownloadEveryByteOnce) {
  const std::string data = RandomBytes(3 * kMiB + 77, 11);
  clients.web.setLowerCaseNames(true);
  clients.web.serveFile(kReal, data, {{"CF-RAY", "8c1f-SJC"}, {"CF-Cache-Status", "HIT"}});
  clients.web.redirect("http://pkg.test/pkg/alias.bin", "../files/real.bin");
  std::wstring local = dir.path(L"a.exe");
  ASSERT_EQ(DOWNLOAD_SUCCESS, fetch("http://pkg.test/pkg/alias.bin", local));
  EXPECT_EQ(Md5OfString(data), CDownLoadImpl::fileMd5(local));
  EXPECT_EQ(static_cast<int64_t>(data.size()), askedBytes(kReal, static_cast<int64_t>(data.size())));
  EXPECT_EQ(0, clients.web.count("GET", "http://pkg.test/pkg/alias.bin")) << "slices go where the redirect led";
  EXPECT_EQ(1, clients.web.count("HEAD", "http://pkg.test/pkg/alias.bin"));
  EXPECT_EQ(4 + 1, clients.created()) << "a client per worker and per size probe";
  EXPECT_EQ((std::vector<std::string>{"SJC/HIT"}), events.labels("Download", "3.CDNStatus"));
  EXPECT_EQ("", cdn) << "the slices saw the probe's own tag";
}

TEST_F(FakeClientDownload, BackUrlHopSendsTheProbeToTheAddressAfterIt) {
  const std::string data = RandomBytes(2 * kMiB + 5, 12);
  clients.web.serveFile(kReal, data);
  clients.web.redirect("http://cdn.test/pkg/a.exe", "/verify?sign=9&back_url=http://pkg.test/files/real.bin");
  http::FakeAnswer refused;  // the checking hop refuses a client that is no browser
  refused.status = 403;
  clients.web.answer("http://cdn.test/verify?sign=9&back_url=http://pkg.test/files/real.bin", refused);
  std::wstring local = dir.path(L"b.exe");
  ASSERT_EQ(DOWNLOAD_SUCCESS, fetch("http://cdn.test/pkg/a.exe", local));
  EXPECT_EQ(Md5OfString(data), CDownLoadImpl::fileMd5(local));
  EXPECT_EQ(1, clients.web.count("HEAD", kReal));
  EXPECT_EQ(static_cast<int64_t>(data.size()), askedBytes(kReal, static_cast<int64_t>(data.size())));
}

TEST_F(FakeClientDownload, SliceCutMidBodyResumesWhereItStopped) {
  const std::string data = RandomBytes(3 * kMiB + 9, 13);
  clients.web.serveFile(kReal, data);
  clients.web.cutNext(kReal, 300000, CURLE_RECV_ERROR, 2);
  std::wstring local = dir.path(L"c.exe");
  ASSERT_EQ(DOWNLOAD_SUCCESS, fetch(kReal, local));
  EXPECT_EQ(Md5OfString(data), CDownLoadImpl::fileMd5(local));
  int resumed = 0;
  for (const http::FakeRequest& r : clients.web.requests())
    resumed += r.method == "GET" && r.rangeFirst % static_cast<int64_t>(kMiB) == 300000;
  EXPECT_EQ(2, resumed) << "each cut slice asks only for what it lacks";
}

TEST_F(FakeClientDownload, AnnouncedSizeOverTheLimitIsRefusedBeforeTheFileIsMade) {
  FaultOs os;
  platform::ScopedOs scoped(os);
  const std::string data = RandomBytes(2 * kMiB + 1, 15);
  clients.web.serveFile(kReal, data);
  CDownLoadImpl impl(nullptr, 4, &clients);
  impl.setSizeLimit(static_cast<int64_t>(data.size()) - 1);
  EXPECT_EQ(DOWNLOAD_TOO_LARGE, impl.SuperDownloadFile(platform::os().AnsiToWide(kReal), dir.path(L"e.exe"), cdn,
                                                       true, false));
  // Without a limit of the caller's, kMaxDownloadBytes holds.
  http::FakeAnswer huge;
  huge.headers = {{"Content-Length", std::to_string(kMaxDownloadBytes + 1)}};
  clients.web.answer("http://pkg.test/files/huge.bin", huge);
  EXPECT_EQ(DOWNLOAD_TOO_LARGE, fetch("http://pkg.test/files/huge.bin", dir.path(L"f.exe")));
  EXPECT_EQ(0, os.filesSized.load());
  EXPECT_EQ(0, askedBytes(kReal, static_cast<int64_t>(data.size())));

  // At the limit it downloads.
  impl.setSizeLimit(static_cast<int64_t>(data.size()));
  EXPECT_EQ(DOWNLOAD_SUCCESS, impl.SuperDownloadFile(platform::os().AnsiToWide(kReal), dir.path(L"e.exe"), cdn,
                                                      true, false));
  EXPECT_EQ(1, os.filesSized.load());
}

TEST_F(FakeClientDownload, ClientsWithoutHandleGiveSizeUnknown) {
  clients.clientsHaveHandles = false;
  clients.web.serveFile(kReal, RandomBytes(kMiB, 14));
  EXPECT_EQ(DOWNLOAD_SIZE_UNKNOWN, fetch(kReal, dir.path(L"d.exe")));
  EXPECT_EQ((std::vector<std::string>{"error:2/error:2/error:2/error:2/error:2"}), events.labels("Other", "Download"));
  EXPECT_TRUE(clients.web.requests().empty());
}
