// lumevia-fetch URL FILE [--threads N] [--no-md5]: runs the engine's
// supervised download for development and benchmarks. Progress goes to
// standard error; standard output gets one line:
// result=<code> bytes=<file size> md5=<digest>. --no-md5 prints "md5=-" and
// leaves the digest to the caller (benchmarks time the download alone).
// LUMEVIA_FETCH_LOG=<file> keeps the engine's log.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuntionImpl/SystemInfo.h"
#include "engine/CDownLoadImpl.h"
#include "log/Log.h"
#include "platform/Platform.h"

namespace {

// Prints at most a few lines a second.
class StderrProgress final : public IDownloadOwner {
 public:
  void OnDownloadProgress(int64_t downloaded, int64_t total) override {
    auto now = std::chrono::steady_clock::now();
    if (downloaded != total && now - last_ < std::chrono::milliseconds(500)) return;
    last_ = now;
    double pct = total > 0 ? 100.0 * static_cast<double>(downloaded) / static_cast<double>(total) : 0;
    std::fprintf(stderr, "progress %lld/%lld %.1f%%\n", static_cast<long long>(downloaded),
                 static_cast<long long>(total), pct);
  }

 private:
  std::chrono::steady_clock::time_point last_{};
};

void QuietLog() {
  // Standard output carries only the result line.
  el::Configurations conf;
  conf.setToDefault();
  conf.setGlobally(el::ConfigurationType::Format, "%datetime--[Thread](%thread) %msg");
  conf.setGlobally(el::ConfigurationType::ToStandardOutput, "false");
  const char* file = std::getenv("LUMEVIA_FETCH_LOG");
  if (file && *file) {
    conf.setGlobally(el::ConfigurationType::ToFile, "true");
    conf.setGlobally(el::ConfigurationType::Filename, file);
  } else {
    conf.setGlobally(el::ConfigurationType::Enabled, "false");
  }
  el::Loggers::reconfigureLogger("default", conf);
}

int Usage() {
  std::fprintf(stderr, "usage: lumevia-fetch URL FILE [--threads N] [--no-md5]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  int threads = 0;
  bool digest = true;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-md5") == 0) {
      digest = false;
    } else if (std::strcmp(argv[i], "--threads") == 0 && i + 1 < argc) {
      threads = std::atoi(argv[++i]);
    } else {
      return Usage();
    }
  }
  QuietLog();
  std::wstring url = platform::os().AnsiToWide(argv[1]);
  std::wstring file = platform::os().AnsiToWide(argv[2]);
  StderrProgress progress;
  CDownLoadImpl impl(&progress, threads);
  std::string cdn;
  int result = impl.SuperDownloadFile(url, file, cdn, false, false);
  std::string md5 = digest ? CDownLoadImpl::fileMd5(file) : "-";
  std::printf("result=%d bytes=%lld md5=%s\n", result, static_cast<long long>(FuntionImpl::GetFileSize64(file)),
              md5.c_str());
  std::fflush(stdout);
  return result == 1 ? 0 : 1;
}
