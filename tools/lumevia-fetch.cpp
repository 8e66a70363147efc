// lumevia-fetch URL FILE [--threads N] [--no-md5]: runs the engine's
// supervised download for development and benchmarks. Progress goes to
// standard error; standard output gets one line:
// result=<code> bytes=<file size> md5=<digest>. --no-md5 prints "md5=-" and
// leaves the digest to the caller (benchmarks time the download alone).
// LUMEVIA_FETCH_LOG=<file> keeps the engine's log.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuntionImpl/SystemInfo.h"
#include "engine/CDownLoadImpl.h"
#include "log/Log.h"
#include "platform/Platform.h"
#include "platform/Utf.h"

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
  // Wide arguments: the file may live in a folder the code page cannot spell.
  const std::vector<std::wstring> args = platform::CommandLineArguments(argc, argv);
  if (args.size() < 3) return Usage();
  int threads = 0;
  bool digest = true;
  for (size_t i = 3; i < args.size(); ++i) {
    if (args[i] == L"--no-md5") {
      digest = false;
    } else if (args[i] == L"--threads" && i + 1 < args.size()) {
      threads = std::atoi(platform::Utf8FromWide(args[++i]).c_str());
    } else {
      return Usage();
    }
  }
  QuietLog();
  const std::wstring& url = args[1];
  const std::wstring& file = args[2];
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
