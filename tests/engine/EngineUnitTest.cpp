#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <thread>

#include "EngineTestSupport.h"
#include "engine/CDownLoadImpl.h"
#include "engine/CDownloader.h"
#include "engine/CSliceTransfer.h"
#include "engine/TaskFile.h"
#include "http/CLibcurlTool.h"

using enginetest::TempDir;

TEST(FormatSize, UnitsAndTwoDecimals) {
  EXPECT_EQ("0.00B", CDownloader::formatSize(0));
  EXPECT_EQ("1.5G", CDownloader::formatSize(1610612736));
  EXPECT_EQ("3.5M", CDownloader::formatSize(3670016));
  EXPECT_EQ("1024B", CDownloader::formatSize(1024));
  EXPECT_EQ("1K", CDownloader::formatSize(1025));
  EXPECT_EQ("5G", CDownloader::formatSize(int64_t(5) << 30));  // beyond 32 bits
}

TEST(SliceGeometry, SmallExactAndRemainderSlices) {
  EXPECT_EQ(1, taskfile::SliceCount(500));
  EXPECT_EQ(500, taskfile::SliceEnd(1, 1, 500));
  EXPECT_EQ(1, taskfile::SliceCount(1048576));
  EXPECT_EQ(1048576, taskfile::SliceEnd(1, 1, 1048576));
  int64_t len = 1048576 * 5 / 2;
  ASSERT_EQ(2, taskfile::SliceCount(len));
  EXPECT_EQ(1048575, taskfile::SliceEnd(1, 2, len));
  EXPECT_EQ(1048576, taskfile::SliceStart(2));
  EXPECT_EQ(len, taskfile::SliceEnd(2, 2, len));
}

TEST(SliceGeometry, OffsetsBeyondTwoAndFourGiB) {
  int64_t len = (int64_t(5) << 30) + 12345;
  int32_t n = taskfile::SliceCount(len);
  EXPECT_EQ(5 * 1024, n);
  EXPECT_EQ(int64_t(2049) * 1048576, taskfile::SliceStart(2050));
  EXPECT_EQ(int64_t(4097) * 1048576 - 1, taskfile::SliceEnd(4097, n, len));
  EXPECT_EQ(len, taskfile::SliceEnd(n, n, len));
}

namespace {

std::unique_ptr<CDownloadTask> Slice(int32_t k, int32_t n, int64_t len, int64_t done, int32_t status) {
  auto t = std::make_unique<CDownloadTask>();
  t->taskId.store(k);
  t->StartPos = taskfile::SliceStart(k);
  t->EndPos = taskfile::SliceEnd(k, n, len);
  t->ContentLength = len;
  t->DownloadedPos.store(done);
  t->status.store(status);
  t->RemotePath = "http://127.0.0.1/pkg/x";
  t->LocalPath = L"x.bin";
  t->RequestTimes.store(4);
  return t;
}

std::string ThreeSliceFile(int64_t len, int64_t lastDone) {
  auto a = Slice(1, 3, len, 1048576, TASK_FINISHED);
  auto b = Slice(2, 3, len, 1048576 + 10, TASK_FAILED);
  auto c = Slice(3, 3, len, lastDone, TASK_FINISHED);
  return taskfile::Serialize(3, len, 777, {a.get(), b.get(), c.get()});
}

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  size_t p = s.find(from);
  if (p != std::string::npos) s.replace(p, from.size(), to);
  return s;
}

}  // namespace

TEST(TaskFile, RoundTripKeepsPositionsAndFinishedState) {
  // The largest package taken, with long addresses: positions beyond 32 bits,
  // and the file still within what is read back.
  int64_t len = (int64_t(4) << 30) - 5;
  int32_t n = taskfile::SliceCount(len);
  std::vector<std::unique_ptr<CDownloadTask>> owned;
  std::vector<const CDownloadTask*> list;
  for (int32_t k = 1; k <= n; ++k) {
    owned.push_back(Slice(k, n, len, k == n ? len : taskfile::SliceStart(k) + 7, k == n ? TASK_FINISHED : TASK_RUNNING));
    owned.back()->RemotePath = "https://downloads.example.com/" + std::string(300, 'p') + "/Lumevia_64.exe";
    owned.back()->LocalPath = L"C:\\Users\\" + std::wstring(200, L'u') + L"\\Lumevia_64.exe";
    list.push_back(owned.back().get());
  }
  owned[0]->LocalPath = L"C:\\Загрузка_下载\\pkg.exe";  // beyond any ANSI code page
  std::string text = taskfile::Serialize(n, len, 99, list);
  EXPECT_EQ(0u, text.rfind("<TaskInfo>", 0)) << "no declaration";
  EXPECT_LT(text.size(), taskfile::kMaxFileBytes);
  TaskFileContent c;
  std::string error;
  ASSERT_TRUE(taskfile::Parse(text, c, error)) << error;
  EXPECT_EQ(len, c.contentLength);
  EXPECT_EQ(99, c.downloadTime);
  ASSERT_EQ(static_cast<size_t>(n), c.tasks.size());
  EXPECT_EQ(taskfile::SliceStart(n - 1) + 7, c.tasks[n - 2]->DownloadedPos.load());
  EXPECT_EQ(TASK_WAITING, c.tasks[0]->status.load());
  EXPECT_EQ(TASK_FINISHED, c.tasks[n - 1]->status.load());
  EXPECT_EQ(0, c.tasks[0]->RequestTimes.load()) << "failures of earlier runs are not carried over";
  EXPECT_EQ(L"C:\\Загрузка_下载\\pkg.exe", c.tasks[0]->LocalPath);
}

TEST(TaskFile, FinishedSliceMissingItsLastByteIsFetchedAgain) {
  int64_t len = 3 * 1048576 + 100;
  // Slice 1 "finished" with DownloadedPos at EndPos: its last byte never came.
  std::string text = Replace(ThreeSliceFile(len, len), "<DownloadedPos>1048576<", "<DownloadedPos>1048575<");
  TaskFileContent c;
  std::string error;
  ASSERT_TRUE(taskfile::Parse(text, c, error)) << error;
  EXPECT_EQ(TASK_WAITING, c.tasks[0]->status.load());
  EXPECT_FALSE(c.tasks[0]->complete());
  EXPECT_EQ(TASK_FINISHED, c.tasks[2]->status.load());
}

TEST(TaskFile, UntrustedContentIsRefusedWhole) {
  int64_t len = 3 * 1048576 + 100;
  const std::string good = ThreeSliceFile(len, len);
  TaskFileContent c;
  std::string error;
  ASSERT_TRUE(taskfile::Parse(good, c, error)) << error;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"huge count", Replace(good, "<TasksCount>3<", "<TasksCount>2147483647<")},
      {"negative count", Replace(good, "<TasksCount>3<", "<TasksCount>-3<")},
      {"negative start", Replace(good, "<StartPos>0<", "<StartPos>-1048576<")},
      {"overlap", Replace(good, "<StartPos>1048576<", "<StartPos>1000000<")},
      {"downloaded beyond slice", Replace(good, "<DownloadedPos>1048586<", "<DownloadedPos>9999999<")},
      {"downloaded before slice", Replace(good, "<DownloadedPos>1048586<", "<DownloadedPos>-5<")},
      {"missing element", Replace(good, "<TaskId>2</TaskId>", "")},
      {"not a number", Replace(good, "<EndPos>1048575<", "<EndPos>10x<")},
      {"bad status", Replace(good, "<TaskStatus>2<", "<TaskStatus>7<")},
      {"length overflow", Replace(good, "<ContentLength>3145828<", "<ContentLength>99999999999999999999<")},
      {"zero length", Replace(good, "<ContentLength>3145828<", "<ContentLength>0<")},
      {"truncated", good.substr(0, good.size() / 2)},
      {"empty", ""},
      {"not xml", "garbage \x01\x02"},
      {"wrong root", Replace(good, "TaskInfo>", "Other>")},
      {"over the size cap", Replace(good, "<RemotePath>", "<RemotePath>" + std::string(taskfile::kMaxFileBytes, 'a'))},
  };
  for (const auto& [name, text] : cases) {
    EXPECT_FALSE(taskfile::Parse(text, c, error)) << name;
    EXPECT_TRUE(c.tasks.empty()) << name;
  }
  // A task missing from the end.
  std::string fewer = good.substr(0, good.rfind("<Task>")) + "</TaskInfo>";
  EXPECT_FALSE(taskfile::Parse(fewer, c, error));
}

namespace {

// One slice's transfer, driven through libcurl's callbacks without a transfer.
struct CallbackRig {
  TempDir dir;
  platform::FileHandle file;
  std::mutex writeTurn;
  CDownloadTask task;
  std::unique_ptr<CSliceTransfer> slice;

  CallbackRig(int64_t start, int64_t end, int64_t length) {
    file = platform::os().OpenFileForUpdate(dir.path(L"out.bin"));
    task.taskId.store(1);
    task.StartPos = start;
    task.EndPos = end;
    task.ContentLength = length;
    task.DownloadedPos.store(start);
    slice = std::make_unique<CSliceTransfer>(file, &writeTurn);
    slice->begin(&task, "http://127.0.0.1/pkg/x.bin");
  }
  ~CallbackRig() {
    slice.reset();
    platform::os().CloseFile(file);
  }
  size_t header(const std::string& line) {
    std::string copy = line;
    return CLibcurlTool::HeaderCallback(&copy[0], 1, copy.size(), slice.get());
  }
  size_t body(const std::string& data) {
    std::string copy = data;
    return CLibcurlTool::downloadFunc(&copy[0], 1, copy.size(), slice.get());
  }
};

}  // namespace

TEST(SliceCallbacks, CdnTagsCollectAndClearWhenEqualToProbe) {
  CallbackRig rig(0, 99, 1000);
  rig.task.CdnStatus = "SJC/HIT";
  const std::string status = "HTTP/1.1 206 Partial Content\r\n";
  EXPECT_EQ(status.size(), rig.header(status));
  rig.header("CF-RAY: 8c1f2a3b4c5d6e7f-SJC\r\n");
  rig.header("CF-Cache-Status: HIT\r\n");
  rig.header("\r\n");
  EXPECT_EQ("", rig.task.CdnTrace) << "equal to the probe's tag";
  // A retry of the slice adds its own tags, data centre first in any order
  // and in any case of the names.
  rig.header(status);
  rig.header("cf-cache-status: MISS\r\n");
  rig.header("cf-ray: 8c1f2a3b4c5d6e7f-LAX\r\n");
  rig.header("\r\n");
  EXPECT_EQ("LAX/MISS", rig.task.CdnTrace);
  rig.header(status);
  rig.header("CF-RAY: 77-FRA\r\n");
  rig.header("\r\n");
  EXPECT_EQ("FRA/LAX/MISS", rig.task.CdnTrace);
}

TEST(SliceCallbacks, ChangedTotalAbortsAndLeavesTraceAlone) {
  CallbackRig rig(100, 199, 1000);
  rig.task.CdnTrace = "LAX";
  for (const char* range : {"bytes 100-199/1001", "bytes 100-199", "bytes 0-99/1000"}) {
    rig.header("HTTP/1.1 206 Partial Content\r\n");
    rig.header("CF-RAY: 1-SJC\r\n");
    EXPECT_NE(0u, rig.header(std::string("Content-Range: ") + range + "\r\n"));
    EXPECT_EQ(0u, rig.header("\r\n")) << range << ": the head that ends is refused";
  }
  EXPECT_EQ("LAX", rig.task.CdnTrace);
  EXPECT_EQ(0u, rig.body("x"));
  EXPECT_EQ(100, rig.task.DownloadedPos.load());
}

TEST(SliceCallbacks, LowerCaseRangeAfterRelativeRedirectIsWritten) {
  CallbackRig rig(10, 19, 100);
  rig.header("HTTP/1.1 302 Found\r\n");
  rig.header("location: ../files/x.bin\r\n");
  rig.header("\r\n");
  rig.header("HTTP/1.1 206 Partial Content\r\n");
  rig.header("content-range: bytes 10-19/100\r\n");
  rig.header("\r\n");
  EXPECT_EQ("http://127.0.0.1/files/x.bin", rig.slice->head().finalUrl());
  EXPECT_EQ(10u, rig.body("0123456789"));
  EXPECT_TRUE(rig.slice->flush());
  EXPECT_TRUE(rig.task.complete());
}

TEST(SliceCallbacks, WholeFileAnswerToRangeIsNeverWritten) {
  CallbackRig rig(1048576, 2097151, 3 * 1048576);
  rig.header("HTTP/1.1 200 OK\r\n");
  rig.header("Content-Length: 3145728\r\n");
  rig.header("\r\n");
  EXPECT_EQ(0u, rig.body(std::string(4096, 'x')));
  EXPECT_EQ(1048576, rig.task.DownloadedPos.load());
  EXPECT_EQ(0, platform::os().FileSize(rig.dir.path(L"out.bin")));
}

TEST(SliceCallbacks, WholeFileAnswerFromByteZeroIsUsedOnlyForTheSameFile) {
  CallbackRig rig(0, 1048575, 3 * 1048576);
  rig.header("HTTP/1.1 200 OK\r\n");
  rig.header("Content-Length: 3145729\r\n");
  EXPECT_EQ(0u, rig.header("\r\n")) << "another file";
  CallbackRig same(0, 1048575, 3 * 1048576);
  same.header("HTTP/1.1 200 OK\r\n");
  same.header("content-length: 3145728\r\n");
  EXPECT_NE(0u, same.header("\r\n"));
  EXPECT_EQ(4096u, same.body(std::string(4096, 'x')));
}

TEST(SliceCallbacks, ErrorPageBodyIsNeverWritten) {
  CallbackRig rig(0, 1048575, 3 * 1048576);
  rig.header("HTTP/1.1 404 Not Found\r\n");
  rig.header("\r\n");
  EXPECT_EQ(0u, rig.body("not found"));
  EXPECT_EQ(0, rig.task.DownloadedPos.load());
}

TEST(SliceCallbacks, BytesPastTheSliceAreCutAndSliceCompletes) {
  CallbackRig rig(10, 19, 100);  // ten bytes, 10..19
  rig.header("HTTP/1.1 302 Found\r\n");
  rig.header("Location: /elsewhere\r\n");
  rig.header("\r\n");
  rig.header("HTTP/1.1 206 Partial Content\r\n");
  rig.header("Content-Range: bytes 10-19/100\r\n");
  rig.header("\r\n");
  EXPECT_EQ(6u, rig.body("abcdef"));
  EXPECT_EQ(4u, rig.body("ghijKLMN")) << "cut at the slice's end";
  EXPECT_FALSE(rig.task.complete()) << "not before the bytes are in the file";
  EXPECT_TRUE(rig.slice->flush());
  EXPECT_TRUE(rig.task.complete());
  EXPECT_EQ(20, rig.task.DownloadedPos.load());
  std::string data = enginetest::ReadAll(rig.dir.path(L"out.bin"));
  EXPECT_EQ(std::string(10, '\0') + "abcdefghij", data);
}

TEST(SliceCallbacks, LastSliceEndsAtTheFilesLastByte) {
  CallbackRig rig(0, 5, 5);  // last slice: EndPos is the length itself
  rig.header("HTTP/1.1 206 Partial Content\r\n");
  rig.header("Content-Range: bytes 0-4/5\r\n");
  rig.header("\r\n");
  EXPECT_EQ(4u, rig.body("abcd"));
  EXPECT_TRUE(rig.slice->flush());
  EXPECT_FALSE(rig.task.complete()) << "one byte short is not complete";
  EXPECT_EQ(1u, rig.body("e"));
  EXPECT_TRUE(rig.slice->flush());
  EXPECT_TRUE(rig.task.complete());
}

TEST(SliceCallbacks, FailedWriteLeavesPositionWhereTheFileEnds) {
  enginetest::FaultOs fault;
  fault.failWritesFrom = 0;
  platform::ScopedOs scoped(fault);
  CallbackRig rig(0, 99, 1000);
  rig.header("HTTP/1.1 206 Partial Content\r\n");
  rig.header("Content-Range: bytes 0-99/1000\r\n");
  rig.header("\r\n");
  EXPECT_EQ(5u, rig.body("hello"));
  EXPECT_FALSE(rig.slice->flush());
  EXPECT_EQ(0, rig.task.DownloadedPos.load());
}

TEST(SliceCallbacks, BusyFileKeepsBytesUntilItIsFreeAndLosesNone) {
  const int64_t length = 3 << 20;
  CallbackRig rig(0, length, length);
  rig.header("HTTP/1.1 206 Partial Content\r\n");
  rig.header("Content-Range: bytes 0-3145727/3145728\r\n");
  rig.header("\r\n");
  std::string expected;
  auto feed = [&](size_t n) {
    std::string block;
    for (size_t i = 0; i < n; ++i) block.push_back(static_cast<char>('a' + (expected.size() + i) % 26));
    expected += block;
    for (size_t at = 0; at < n; at += 16384) {
      size_t piece = std::min<size_t>(16384, n - at);
      ASSERT_EQ(piece, rig.body(block.substr(at, piece)));
    }
  };
  {
    std::unique_lock<std::mutex> other(rig.writeTurn);  // another worker is writing
    feed(512 * 1024);
    EXPECT_EQ(0, rig.task.DownloadedPos.load()) << "gathers on while the file is busy";
    // Past the cap the worker waits for its turn: release it from elsewhere.
    std::thread release([&other] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      other.unlock();
    });
    feed(600 * 1024);
    release.join();
  }
  EXPECT_GE(rig.task.DownloadedPos.load(), 1 << 20) << "waited for its turn at the cap";
  feed(300 * 1024);  // a free file is written as soon as a block is gathered
  EXPECT_LT(static_cast<int64_t>(expected.size()) - rig.task.DownloadedPos.load(), 64 * 1024);
  feed(1000);
  EXPECT_TRUE(rig.slice->flush());
  EXPECT_EQ(expected, enginetest::ReadAll(rig.dir.path(L"out.bin")).substr(0, expected.size()));
}

TEST(FigureError, KnownAndOtherCodes) {
  EXPECT_EQ(" Curl Time out", CLibcurlTool::errorText(CURLE_OPERATION_TIMEDOUT));
  EXPECT_EQ(" Curl Else Error: 47", CLibcurlTool::errorText(CURLE_TOO_MANY_REDIRECTS));
  EXPECT_EQ(1, CLibcurlTool::figureError(CURLE_COULDNT_CONNECT));
}

TEST(CheckMd5, ExactLowerCaseDigestAndRecordFile) {
  TempDir dir;
  std::wstring file = dir.path(L"pkg.exe");
  enginetest::WriteAll(file, "abc");
  const std::wstring digest = L"900150983cd24fb0d6963f7d28e17f72";  // RFC 1321 test vector
  EXPECT_EQ(1, CDownLoadImpl::checkMD5(file, L"ffff", digest, L""));
  EXPECT_FALSE(platform::os().FileExists(file + L".db")) << "empty record writes nothing";
  EXPECT_EQ(0, CDownLoadImpl::checkMD5(file, L"900150983CD24FB0D6963F7D28E17F72", L"", L"v1.2"));
  EXPECT_EQ("v1.2###900150983cd24fb0d6963f7d28e17f72", enginetest::ReadAll(file + L".db"));
  EXPECT_EQ(0, CDownLoadImpl::checkMD5(dir.path(L"missing"), L"d41d8cd98f00b204e9800998ecf8427e0", L"", L""));
  EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", CDownLoadImpl::fileMd5(dir.path(L"missing")));
}

TEST(ThreadCount, AtLeastFour) {
  EXPECT_GE(CDownLoadImpl::defaultThreadCount(), 4);
  EXPECT_TRUE(CDownLoadImpl::IsCdnUrl(std::string("http://cdn.example.com/a")));
  EXPECT_TRUE(CDownLoadImpl::IsCdnUrl(std::wstring(L"https://dl.example.com/a")));
  EXPECT_FALSE(CDownLoadImpl::IsCdnUrl(std::string("http://download.example.com/a")));
}
