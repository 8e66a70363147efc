// Shared pieces of the engine tests: temporary folders, the local package
// host (started by with_fake_services.sh), an OS double with a fast clock
// and network and write faults, and a recording progress owner.
#pragma once
#include <json/json.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "engine/IDownloadOwner.h"
#include "platform/Platform.h"

namespace enginetest {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::wstring path(const std::wstring& name) const;

 private:
  std::wstring dir_;
};

std::string RandomBytes(size_t n, uint32_t seed);
std::string Md5OfString(const std::string& data);
std::string ReadAll(const std::wstring& path);
void WriteAll(const std::wstring& path, const std::string& data);

// The package host of the fake services; available() is false when the
// test runs without with_fake_services.sh.
class FakeHost {
 public:
  FakeHost();
  bool available() const { return port_ > 0; }
  std::string base() const;                        // http://127.0.0.1:PORT
  std::string url(const std::string& name) const;  // base + /pkg/name
  std::string urlOnHost(const std::string& host, const std::string& name) const;
  // Places a file to serve as /pkg/name.
  void put(const std::string& name, const std::string& data) const;
  std::wstring servedPath(const std::string& name) const;
  bool setRules(const std::string& json) const;
  void reset() const;
  // Requests recorded since the last reset or mark, control requests left out.
  std::vector<Json::Value> records() const;
  void mark();

 private:
  int port_ = 0;
  std::string root_, record_;
  size_t skip_ = 0;  // record lines before the mark
};

// Ranged GETs of one package among the records: (first, last) served.
std::vector<std::pair<int64_t, int64_t>> ServedRanges(const std::vector<Json::Value>& records,
                                                      const std::string& name);
int CountRequests(const std::vector<Json::Value>& records, const std::string& method, const std::string& name);

// Clock running `speed` times faster than real time; network and write faults.
class FaultOs : public platform::ForwardingOs {
 public:
  explicit FaultOs(uint64_t speed = 1);
  uint64_t TickCount() override;
  bool IsNetworkAlive() override;
  size_t WriteFileAt(platform::FileHandle h, int64_t offset, const void* data, size_t len) override;
  bool SetFileLength(platform::FileHandle h, int64_t length) override;

  std::atomic<bool> networkAlive{true};
  // Network reported lost once this many bytes were written (0 = never).
  std::atomic<int64_t> loseNetworkAfterBytes{0};
  std::atomic<int64_t> bytesWritten{0};
  // Every write at or beyond this offset fails (-1 = none).
  std::atomic<int64_t> failWritesFrom{-1};
  // Once this many bytes were written, another program cuts the file to
  // cutFileTo bytes (-1 = never).
  std::atomic<int64_t> cutFileAfterBytes{-1};
  int64_t cutFileTo = 0;
  // Files the engine sized (the package takes its final size before the slices).
  std::atomic<int> filesSized{0};

 private:
  uint64_t speed_;
  uint64_t realStart_;
};

class RecordingOwner final : public IDownloadOwner {
 public:
  void OnDownloadProgress(int64_t downloaded, int64_t total) override;
  std::vector<std::pair<int64_t, int64_t>> reports() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::pair<int64_t, int64_t>> reports_;
};

}  // namespace enginetest
