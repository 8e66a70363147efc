// SuperDownloadFile against the local package host, one scripted fault per test.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>

#include "EngineTestSupport.h"
#include "engine/CDownLoadImpl.h"
#include "engine/CDownloadTaskManager.h"
#include "engine/RecordingEngineEvents.h"
#include "engine/TaskFile.h"
#include "http/CLibcurlTool.h"
#include "FuntionImpl/SystemInfo.h"
#include "platform/Utf.h"
#include "weblog/CurlHttpClient.h"

using namespace enginetest;

namespace {

// Records deletions on top of the fault double.
class WatchingOs final : public FaultOs {
 public:
  using FaultOs::FaultOs;
  bool RemoveFile(const std::wstring& p) override {
    {
      std::lock_guard<std::mutex> lock(m);
      deleted.push_back(p);
    }
    return FaultOs::RemoveFile(p);
  }
  std::mutex m;
  std::vector<std::wstring> deleted;
};

class Download : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!host.available()) GTEST_SKIP() << "needs the package host (with_fake_services.sh)";
    host.reset();
    host.mark();
    setEngineEvents(&events);
  }
  void TearDown() override { setEngineEvents(nullptr); }

  // Serves name with n random bytes; returns the bytes.
  std::string serve(const std::string& name, size_t n, uint32_t seed = 7) {
    std::string data = RandomBytes(n, seed);
    host.put(name, data);
    return data;
  }
  int fetch(const std::string& url, const std::wstring& local, bool minimum = false, bool report = true,
            int threads = 4) {
    CDownLoadImpl impl(&owner, threads);
    cdn.clear();
    return impl.SuperDownloadFile(platform::os().AnsiToWide(url), local, cdn, report, minimum);
  }
  int64_t servedBytes(const std::string& name) {
    int64_t sum = 0;
    for (auto& r : ServedRanges(host.records(), name)) sum += r.second - r.first + 1;
    return sum;
  }

  FakeHost host;
  TempDir dir;
  RecordingOwner owner;
  RecordingEngineEvents events;
  std::string cdn;
};

constexpr size_t kMiB = 1048576;

}  // namespace

TEST_F(Download, WholeFileArrivesOnceWithRightDigestProgressAndEvents) {
  std::string data = serve("a.bin", 5 * kMiB / 2 * 3 + 123);
  std::wstring local = dir.path(L"a.exe");
  ASSERT_EQ(DOWNLOAD_SUCCESS, fetch(host.url("a.bin"), local));
  EXPECT_EQ(Md5OfString(data), CDownLoadImpl::fileMd5(local));
  EXPECT_EQ(static_cast<int64_t>(data.size()), servedBytes("a.bin")) << "no byte fetched twice";
  EXPECT_TRUE(platform::os().FileExists(local + L".xml"));

  auto reports = owner.reports();
  ASSERT_FALSE(reports.empty());
  for (size_t i = 0; i < reports.size(); ++i) {
    EXPECT_EQ(static_cast<int64_t>(data.size()), reports[i].second);
    if (i) {
      EXPECT_GE(reports[i].first, reports[i - 1].first);
    }
  }
  EXPECT_EQ((std::vector<std::string>{"Success/Null/Null/Null/Null"}), events.labels("Other", "Download"));
  EXPECT_EQ(1u, events.labels("DownloadSpeed", "Server").size());
  bool funnel = false;
  for (auto& r : events.records()) funnel |= r.funnel && r.category == "Download" && r.action == "SliceDownloading";
  EXPECT_TRUE(funnel);
}

TEST_F(Download, CompleteResumedFileRequestsNoSliceAndReportsTotal) {
  std::string data = serve("b.bin", 3 * kMiB + 5);
  std::wstring local = dir.path(L"b.exe");
  ASSERT_EQ(DOWNLOAD_SUCCESS, fetch(host.url("b.bin"), local));
  host.mark();
  RecordingEngineEvents second;
  setEngineEvents(&second);
  RecordingOwner fresh;
  CDownLoadImpl impl(&fresh, 4);
  std::string cdnResult;
  ASSERT_EQ(DOWNLOAD_SUCCESS, impl.SuperDownloadFile(platform::os().AnsiToWide(host.url("b.bin")), local, cdnResult,
                                                     false, false));
  EXPECT_EQ(0, CountRequests(host.records(), "GET", "b.bin"));
  ASSERT_FALSE(fresh.reports().empty());
  const int64_t total = 3 * kMiB + 5;
  EXPECT_EQ(std::make_pair(total, total), fresh.reports().back());
  EXPECT_TRUE(second.labels("DownloadSpeed", "Server").empty());
  EXPECT_TRUE(second.labels("Other", "Download").empty()) << "empty tag: no probe summary event";
}

TEST_F(Download, StaleLocalFileOfOtherSizeIsDeletedWithItsTaskFile) {
  std::string data = serve("c.bin", 2 * kMiB + 17);
  std::wstring local = dir.path(L"c.exe");
  WriteAll(local, std::string(5 * kMiB, 'z'));
  WriteAll(local + L".xml", "<TaskInfo><TasksCount>5</TasksCount></TaskInfo>");
  WatchingOs watch;
  platform::ScopedOs scoped(watch);
  ASSERT_EQ(DOWNLOAD_SUCCESS, fetch(host.url("c.bin"), local));
  EXPECT_EQ(Md5OfString(data), CDownLoadImpl::fileMd5(local));
  EXPECT_NE(watch.deleted.end(), std::find(watch.deleted.begin(), watch.deleted.end(), local));
  EXPECT_NE(watch.deleted.end(), std::find(watch.deleted.begin(), watch.deleted.end(), local + L".xml"));
}

TEST_F(Download, CorruptTaskFileLeadsToFreshDownload) {
  std::string data = serve("t.bin", 3 * kMiB);
  std::wstring local = dir.path(L"t.exe");
  WriteAll(local, std::string(3 * kMiB, 'q'));  // right size: kept, and its task file read
  WriteAll(local + L".xml",
           "<TaskInfo><TasksCount>2000000000</TasksCount><ContentLength>3145728</ContentLength>"
           "<DownloadTime>1</DownloadTime><Task><StartPos>-5</StartPos>");
  ASSERT_EQ(DOWNLOAD_SUCCESS, fetch(host.url("t.bin"), local));
  EXPECT_EQ(Md5OfString(data), CDownLoadImpl::fileMd5(local));
}

TEST_F(Download, TaskFileCannotChooseWhereSlicesComeFrom) {
  std::string data = serve("p.bin", 3 * kMiB + 9);
  std::wstring local = dir.path(L"p.exe");
  ASSERT_EQ(DOWNLOAD_SUCCESS, fetch(host.url("p.bin"), local));
  TaskFileContent content;
  std::string error;
  ASSERT_TRUE(taskfile::Parse(ReadAll(local + L".xml"), content, error)) << error;
  std::vector<const CDownloadTask*> list;
  for (auto& t : content.tasks) {
    t->RemotePath = "http://127.0.0.1:1/elsewhere.bin";
    list.push_back(t.get());
  }
  CDownloadTask* last = content.tasks.back().get();
  last->DownloadedPos.store(last->StartPos);
  WriteAll(local + L".xml", taskfile::Serialize(content.tasksCount, content.contentLength, 0, list));
  host.mark();
  ASSERT_EQ(DOWNLOAD_SUCCESS, fetch(host.url("p.bin"), local));
  EXPECT_EQ(Md5OfString(data), CDownLoadImpl::fileMd5(local));
  EXPECT_EQ(1, CountRequests(host.records(), "GET", "p.bin"));
}

TEST_F(Download, RangeAnsweredWithWholeFileNeverCorruptsTheFile) {
  std::string data = serve("r.bin", 4 * kMiB + 99);
  ASSERT_TRUE(host.setRules(R"([{"path": "/pkg/r.bin", "method": "GET", "nth": [1, 6], "ignore_range": true}])"));
  std::wstring local = dir.path(L"r.exe");
  ASSERT_EQ(DOWNLOAD_SUCCESS, fetch(host.url("r.bin"), local));
  EXPECT_EQ(Md5OfString(data), CDownLoadImpl::fileMd5(local));
  int whole = 0;
  for (auto& r : host.records()) whole += r["method"].asString() == "GET" && r["status"].asInt() == 200;
  EXPECT_GE(whole, 3) << "the fault was really served";
}

TEST_F(Download, ConnectionResetMidBodyResumesTheSlice) {
  std::string data = serve("s.bin", 4 * kMiB + 1);
  ASSERT_TRUE(host.setRules(R"([{"path": "/pkg/s.bin", "method": "GET", "nth": [1, 3], "reset_after": 300000}])"));
  std::wstring local = dir.path(L"s.exe");
  ASSERT_EQ(DOWNLOAD_SUCCESS, fetch(host.url("s.bin"), local));
  EXPECT_EQ(Md5OfString(data), CDownLoadImpl::fileMd5(local));
  // Resumed from where each reset slice stopped, not from its start.
  EXPECT_LT(servedBytes("s.bin"), static_cast<int64_t>(data.size() + 3 * kMiB));
}

TEST_F(Download, ContentRangeTotalThatChangesAbortsOnlyThatTransfer) {
  std::string data = serve("d.bin", 3 * kMiB + 3);
  ASSERT_TRUE(host.setRules(R"([{"path": "/pkg/d.bin", "method": "GET", "nth": [2, 3], "total_delta": 1}])"));
  std::wstring local = dir.path(L"d.exe");
  ASSERT_EQ(DOWNLOAD_SUCCESS, fetch(host.url("d.bin"), local));
  EXPECT_EQ(Md5OfString(data), CDownLoadImpl::fileMd5(local));
  EXPECT_GE(CountRequests(host.records(), "GET", "d.bin"), 5);
}

TEST_F(Download, SizeProbeFollowsBackUrlRedirect) {
  std::string data = serve("real.bin", 2 * kMiB + 11);
  ASSERT_TRUE(host.setRules(
      R"([{"path": "/pkg/alias.bin", "redirect": "/pkg/real.bin", "back_url": true, "back_url_encode": false}])"));
  std::wstring local = dir.path(L"alias.exe");
  ASSERT_EQ(DOWNLOAD_SUCCESS, fetch(host.url("alias.bin"), local));
  EXPECT_EQ(Md5OfString(data), CDownLoadImpl::fileMd5(local));
  EXPECT_EQ(0, CountRequests(host.records(), "GET", "alias.bin")) << "slices go to the address after back_url=";
  EXPECT_GE(CountRequests(host.records(), "GET", "real.bin"), 2);
}

TEST_F(Download, SizeProbeResolvesEveryRelativeRedirectAndReadsLowerCaseNames) {
  const int64_t size = 2 * kMiB + 3;
  serve("lc.bin", static_cast<size_t>(size));
  for (const char* location : {"../pkg/lc.bin", "lc.bin", "/pkg/lc.bin", "//127.0.0.1:{port}/pkg/lc.bin"}) {
    ASSERT_TRUE(host.setRules(std::string(R"([{"path": "/pkg/*", "header_case": "lower"},
                                               {"path": "/pkg/rel.bin", "redirect": ")") + location + "\"}]"));
    CDownloadTaskManager probe(host.url("rel.bin"), L"", L"", http::DefaultClientFactory());
    CURLcode code;
    std::string tag;
    EXPECT_EQ(size, probe.getContentLength(code, tag)) << location;
    EXPECT_EQ(CURLE_OK, code) << location;
    EXPECT_EQ(host.url("lc.bin"), probe.remoteUrl()) << location;
  }
}

TEST_F(Download, HeaderTextKeepsItsFirst2000CharactersWhileTheSizeProbeReadsTheWholeHead) {
  const int64_t size = kMiB + 1;
  serve("long.bin", static_cast<size_t>(size));
  // The long field comes before Content-Length.
  ASSERT_TRUE(host.setRules(R"([{"path": "/pkg/long.bin", "headers": {"X-Filler": ")" + std::string(3000, 'f') +
                            "\"}}]"));
  CLibcurlTool tool;
  std::string text;
  long status = 0;
  ASSERT_EQ(CURLE_OK, tool.GetHeader(host.url("long.bin"), text, status));
  EXPECT_EQ(200, status);
  EXPECT_EQ(2000u, text.size());
  EXPECT_EQ(std::string::npos, text.find("Content-Length"));
  CDownloadTaskManager probe(host.url("long.bin"), L"", L"", http::DefaultClientFactory());
  CURLcode code;
  std::string tag;
  EXPECT_EQ(size, probe.getContentLength(code, tag));
}

TEST_F(Download, WholeFileThroughRelativeRedirectWithLowerCaseNames) {
  std::string data = serve("lcd.bin", 4 * kMiB + 5);
  ASSERT_TRUE(host.setRules(R"([
    {"path": "/pkg/*", "header_case": "lower", "headers": {"CF-RAY": "8c1f2a3b-SJC", "CF-Cache-Status": "HIT"}},
    {"path": "/pkg/lcd-alias.bin", "redirect": "../pkg/lcd.bin"}
  ])"));
  std::wstring local = dir.path(L"lcd.exe");
  ASSERT_EQ(DOWNLOAD_SUCCESS, fetch(host.url("lcd-alias.bin"), local));
  EXPECT_EQ(Md5OfString(data), CDownLoadImpl::fileMd5(local));
  EXPECT_EQ(static_cast<int64_t>(data.size()), servedBytes("lcd.bin")) << "every byte once";
  EXPECT_EQ(0, CountRequests(host.records(), "GET", "lcd-alias.bin"));
  EXPECT_EQ((std::vector<std::string>{"SJC/HIT"}), events.labels("Download", "3.CDNStatus"));
  EXPECT_EQ("", cdn) << "the slices saw the probe's own tag";
}

TEST_F(Download, MissingFileGives6AndRedirectLoopGives13) {
  std::wstring local = dir.path(L"x.exe");
  EXPECT_EQ(DOWNLOAD_SIZE_UNKNOWN, fetch(host.url("nothing-here.bin"), local));
  EXPECT_EQ((std::vector<std::string>{"error:0/error:0/error:0/error:0/error:0"}), events.labels("Other", "Download"));
  ASSERT_TRUE(host.setRules(R"([{"path": "/pkg/loop.bin", "redirect_loop": true}])"));
  EXPECT_EQ(DOWNLOAD_TOO_MANY_REDIRECTS, fetch(host.url("loop.bin"), dir.path(L"loop.exe")));
  EXPECT_EQ("error:47/error:47/error:47/error:47/error:47", events.labels("Other", "Download").back());
}

TEST_F(Download, NetworkReportedDownGives9) {
  serve("n.bin", 2 * kMiB);
  FaultOs fault;
  fault.networkAlive = false;
  platform::ScopedOs scoped(fault);
  EXPECT_EQ(DOWNLOAD_NO_NETWORK, fetch(host.url("n.bin"), dir.path(L"n.exe")));
}

TEST_F(Download, FinalFiguresCountEveryByteEvenWithinOneTick) {
  std::string data = serve("tick.bin", 3 * kMiB + 17);
  FaultOs frozen(0);  // the tick count never moves
  platform::ScopedOs scoped(frozen);
  std::wstring local = dir.path(L"tick.exe");
  EXPECT_EQ(DOWNLOAD_SUCCESS, fetch(host.url("tick.bin"), local));
  EXPECT_EQ(Md5OfString(data), CDownLoadImpl::fileMd5(local));
}

TEST_F(Download, FileCutByAnotherProgramGives12AndIsFetchedAfresh) {
  std::string data = serve("cut.bin", 3 * kMiB);
  std::wstring local = dir.path(L"cut.exe");
  {
    FaultOs cutter;
    cutter.cutFileAfterBytes = 3 * kMiB;  // right after the last slice is written
    cutter.cutFileTo = kMiB + 5;
    platform::ScopedOs scoped(cutter);
    EXPECT_EQ(DOWNLOAD_INCOMPLETE, fetch(host.url("cut.bin"), local));
  }
  EXPECT_EQ(static_cast<int64_t>(kMiB + 5), FuntionImpl::GetFileSize64(local));
  // The next call sees a file of another size and starts over.
  EXPECT_EQ(DOWNLOAD_SUCCESS, fetch(host.url("cut.bin"), local));
  EXPECT_EQ(Md5OfString(data), CDownLoadImpl::fileMd5(local));
}

TEST_F(Download, NoBytesFor30sGives10OnAFastClock) {
  serve("st.bin", 2 * kMiB);
  ASSERT_TRUE(host.setRules(R"([{"path": "/pkg/st.bin", "method": "GET", "stall_after": 0, "stall_seconds": 3}])"));
  FaultOs fast(100);  // 30 s of tick count in 0.3 s
  platform::ScopedOs scoped(fast);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(DOWNLOAD_STALLED, fetch(host.url("st.bin"), dir.path(L"st.exe")));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(25));
}

TEST_F(Download, CdnAddressWithFailingSlicesGives11) {
  serve("f.bin", 3 * kMiB);
  ASSERT_TRUE(host.setRules(R"([{"path": "/pkg/f.bin", "method": "GET", "status": 503}])"));
  EXPECT_EQ(DOWNLOAD_CDN_FAILING, fetch(host.urlOnHost("cdn.localhost", "f.bin"), dir.path(L"f.exe")));
}

TEST_F(Download, ServerAddressNeverGives11HoweverManySlicesFail) {
  serve("g.bin", 2 * kMiB);
  ASSERT_TRUE(host.setRules(R"([{"path": "/pkg/g.bin", "method": "GET", "status": 503}])"));
  FaultOs fast(10);  // 30 s in 3 s
  platform::ScopedOs scoped(fast);
  EXPECT_EQ(DOWNLOAD_STALLED, fetch(host.url("g.bin"), dir.path(L"g.exe")));
  EXPECT_GT(CountRequests(host.records(), "GET", "g.bin"), 3 * 2 + 1);
}

TEST_F(Download, SmallFileGives15OnlyWhenAPackageWasExpected) {
  std::string data = serve("small.bin", 600 * 1024);
  EXPECT_EQ(DOWNLOAD_TOO_SMALL, fetch(host.url("small.bin"), dir.path(L"small.exe"), true));
  EXPECT_EQ(DOWNLOAD_SUCCESS, fetch(host.url("small.bin"), dir.path(L"small2.exe"), false));
  EXPECT_EQ(Md5OfString(data), CDownLoadImpl::fileMd5(dir.path(L"small2.exe")));
}

TEST_F(Download, CdnTagsOfSlicesThatDifferFromTheProbeAreSummarised) {
  serve("cf.bin", 2 * kMiB);
  ASSERT_TRUE(host.setRules(R"([
    {"path": "/pkg/cf.bin", "method": "HEAD", "headers": {"CF-RAY": "8c1f2a3b4c5d6e7f-SJC", "CF-Cache-Status": "HIT"}},
    {"path": "/pkg/cf.bin", "method": "GET", "headers": {"CF-RAY": "8c1f2a3b4c5d6e7f-LAX", "CF-Cache-Status": "MISS"}}
  ])"));
  ASSERT_EQ(DOWNLOAD_SUCCESS, fetch(host.url("cf.bin"), dir.path(L"cf.exe")));
  EXPECT_EQ("T(SJC/HIT);C(LAX/MISS;LAX/MISS;)", cdn);
  EXPECT_EQ((std::vector<std::string>{"SJC/HIT"}), events.labels("Download", "3.CDNStatus"));
}

TEST_F(Download, InterruptedDownloadResumesWithoutFetchingBytesTwice) {
  std::string data = serve("i.bin", 12 * kMiB + 7);
  ASSERT_TRUE(host.setRules(R"([{"path": "/pkg/i.bin", "method": "GET", "rate": "4MiB"}])"));
  std::wstring local = dir.path(L"i.exe");
  {
    FaultOs fault;
    fault.loseNetworkAfterBytes = 3 * kMiB;
    platform::ScopedOs scoped(fault);
    ASSERT_EQ(DOWNLOAD_NO_NETWORK, fetch(host.url("i.bin"), local));
  }
  int64_t first = servedBytes("i.bin");
  EXPECT_LT(first, static_cast<int64_t>(data.size()));
  EXPECT_EQ(static_cast<int64_t>(data.size()), platform::os().FileSize(local)) << "partial file keeps the remote size";
  ASSERT_EQ(DOWNLOAD_SUCCESS, fetch(host.url("i.bin"), local));
  EXPECT_EQ(Md5OfString(data), CDownLoadImpl::fileMd5(local));
  // A stop lets running slices finish and saves them: nothing is fetched twice.
  EXPECT_EQ(static_cast<int64_t>(data.size()), servedBytes("i.bin"));
}

TEST_F(Download, FileBeyondTwoGiBDownloadsAndResumesAtHighOffsets) {
  const int64_t size = (int64_t(2) << 30) + 7 * int64_t(kMiB) / 2 + 7;
  {
    // Sparse file with random marks around the 2 GiB border and at the end.
    std::wstring path = host.servedPath("big.bin");
    platform::FileHandle h = platform::os().OpenFileForUpdate(path);
    ASSERT_NE(0u, h);
    ASSERT_TRUE(platform::os().SetFileLength(h, size));
    for (int64_t at : {int64_t(0), (int64_t(1) << 31) - 1000, int64_t(1) << 31, size - 70000}) {
      std::string mark = RandomBytes(65536, static_cast<uint32_t>(at));
      ASSERT_EQ(mark.size(), platform::os().WriteFileAt(h, at, mark.data(), mark.size()));
    }
    platform::os().CloseFile(h);
  }
  const std::string want = CDownLoadImpl::fileMd5(host.servedPath("big.bin"));
  std::wstring local = dir.path(L"big.exe");
  ASSERT_EQ(DOWNLOAD_SUCCESS, fetch(host.url("big.bin"), local, true, false, 8));
  ASSERT_EQ(size, platform::os().FileSize(local));
  EXPECT_EQ(want, CDownLoadImpl::fileMd5(local));

  // Forget the last two slices (both beyond 2 GiB) in file and task file.
  std::string xml = ReadAll(local + L".xml");
  TaskFileContent content;
  std::string error;
  ASSERT_TRUE(taskfile::Parse(xml, content, error)) << error;
  std::vector<const CDownloadTask*> list;
  platform::FileHandle h = platform::os().OpenFileForUpdate(local);
  for (auto& t : content.tasks) {
    if (t->taskId.load() >= content.tasksCount - 1) {
      std::string zeros(static_cast<size_t>(t->limit() - t->StartPos), '\0');
      platform::os().WriteFileAt(h, t->StartPos, zeros.data(), zeros.size());
      t->DownloadedPos.store(t->StartPos);
      t->status.store(TASK_WAITING);
    }
    list.push_back(t.get());
  }
  platform::os().CloseFile(h);
  WriteAll(local + L".xml", taskfile::Serialize(content.tasksCount, content.contentLength, 0, list));
  host.mark();
  ASSERT_EQ(DOWNLOAD_SUCCESS, fetch(host.url("big.bin"), local));
  EXPECT_EQ(want, CDownLoadImpl::fileMd5(local));
  auto ranges = ServedRanges(host.records(), "big.bin");
  ASSERT_EQ(2u, ranges.size());
  for (auto& r : ranges) EXPECT_GT(r.first, int64_t(1) << 31);
  platform::os().RemoveFile(host.servedPath("big.bin"));
}

// Bodies other than the package stop at their cap: a service answer at 1 MiB,
// the reply to a POST at 64 KiB. One byte more fails the transfer, and
// nothing of it is handed on.
TEST_F(Download, AnswersAndRepliesStopAtTheirCaps) {
  for (size_t over : {0, 1}) {
    host.put("answer.bin", std::string(http::kServiceBodyCap + over, 'a'));
    host.put("reply.bin", std::string(http::kReplyBodyCap + over, 'r'));
    ASSERT_TRUE(host.setRules(R"([{"path": "/api/v1/banners", "body_file": "answer.bin"},
                                  {"path": "/api/exception/send", "body_file": "reply.bin"},
                                  {"path": "/g/collect", "body_file": "reply.bin"}])"));
    const CURLcode expected = over ? CURLE_WRITE_ERROR : CURLE_OK;
    CLibcurlTool tool;
    std::string body, reply;
    EXPECT_EQ(expected, tool.httpGet(host.base() + "/api/v1/banners", body, false));
    EXPECT_EQ(over ? 0 : http::kServiceBodyCap, body.size());
    EXPECT_EQ(expected, tool.HttpPost(host.base() + "/api/exception/send", "pid=1", reply, nullptr));
    EXPECT_EQ(over ? 0 : http::kReplyBodyCap, reply.size());
    weblog::CurlHttpClient reports;
    EXPECT_EQ(expected, reports.Post(host.base() + "/g/collect", "Content-Type:application/json; charset=utf-8", ""));
    EXPECT_EQ(over ? 0 : http::kReplyBodyCap, reports.GetResponseBody().size());
  }
  // A report's reply is never asked compressed.
  int reportsSeen = 0;
  for (const Json::Value& r : host.records()) {
    if (r["path"].asString() != "/g/collect") continue;
    ++reportsSeen;
    for (const Json::Value& field : r["headers"]) EXPECT_NE("accept-encoding", platform::ToLowerAscii(field[0].asString()));
  }
  EXPECT_EQ(2, reportsSeen);
  for (const char* name : {"answer.bin", "reply.bin"}) platform::os().RemoveFile(host.servedPath(name));
}
