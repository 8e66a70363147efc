#include "EngineTestSupport.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "FuntionImpl/Md5.h"
#include "http/CLibcurlTool.h"

namespace fs = std::filesystem;

namespace enginetest {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  fs::path p = fs::temp_directory_path() / ("lumevia-engine-" + std::to_string(platform::os().CurrentProcessId()) +
                                            "-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  fs::create_directories(p);
  dir_ = p.wstring();
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(fs::path(dir_), ec);
}

std::wstring TempDir::path(const std::wstring& name) const { return (fs::path(dir_) / name).wstring(); }

std::string RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(gen() & 0xFF);
  return s;
}

std::string Md5OfString(const std::string& data) { return FuntionImpl::Md5Hex(data); }

std::string ReadAll(const std::wstring& path) {
  std::ifstream f(fs::path(path), std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

void WriteAll(const std::wstring& path, const std::string& data) {
  std::ofstream f(fs::path(path), std::ios::binary | std::ios::trunc);
  f.write(data.data(), static_cast<std::streamsize>(data.size()));
}

FakeHost::FakeHost() {
  const char* port = std::getenv("LUMEVIA_FAKE_PORT");
  const char* root = std::getenv("LUMEVIA_FAKE_ROOT");
  const char* record = std::getenv("LUMEVIA_FAKE_RECORD");
  if (!port || !root || !record) return;
  port_ = std::atoi(port);
  root_ = root;
  record_ = record;
  reset();
}

std::string FakeHost::base() const { return "http://127.0.0.1:" + std::to_string(port_); }
std::string FakeHost::url(const std::string& name) const { return base() + "/pkg/" + name; }
std::string FakeHost::urlOnHost(const std::string& host, const std::string& name) const {
  return "http://" + host + ":" + std::to_string(port_) + "/pkg/" + name;
}

std::wstring FakeHost::servedPath(const std::string& name) const {
  return (fs::path(platform::os().AnsiToWide(root_)) / platform::os().AnsiToWide(name)).wstring();
}

void FakeHost::put(const std::string& name, const std::string& data) const { WriteAll(servedPath(name), data); }

bool FakeHost::setRules(const std::string& json) const {
  CLibcurlTool tool;
  std::string answer;
  return tool.HttpPost(base() + "/__control/rules", json, answer, nullptr) == CURLE_OK &&
         answer.find("error") == std::string::npos;
}

void FakeHost::reset() const {
  CLibcurlTool tool;
  std::string answer;
  tool.HttpPost(base() + "/__control/reset", "{}", answer, nullptr);
}

namespace {
std::vector<std::string> RecordLines(const std::string& file) {
  std::vector<std::string> lines;
  std::ifstream f(fs::path(platform::os().AnsiToWide(file)));
  std::string line;
  while (std::getline(f, line))
    if (!line.empty()) lines.push_back(line);
  return lines;
}
}  // namespace

void FakeHost::mark() { skip_ = RecordLines(record_).size(); }

std::vector<Json::Value> FakeHost::records() const {
  std::vector<Json::Value> out;
  std::vector<std::string> lines = RecordLines(record_);
  Json::CharReaderBuilder builder;
  for (size_t i = skip_; i < lines.size(); ++i) {
    Json::Value v;
    std::string errors;
    std::istringstream in(lines[i]);
    if (!Json::parseFromStream(builder, in, &v, &errors)) continue;
    if (v["path"].asString().rfind("/__control", 0) == 0) continue;
    out.push_back(v);
  }
  return out;
}

std::vector<std::pair<int64_t, int64_t>> ServedRanges(const std::vector<Json::Value>& records,
                                                      const std::string& name) {
  std::vector<std::pair<int64_t, int64_t>> ranges;
  for (const Json::Value& r : records) {
    if (r["method"].asString() != "GET" || r["path"].asString() != "/pkg/" + name) continue;
    if (r["range"].isArray() && r["range"].size() == 2)
      ranges.emplace_back(r["range"][0].asInt64(), r["range"][1].asInt64());
  }
  return ranges;
}

int CountRequests(const std::vector<Json::Value>& records, const std::string& method, const std::string& name) {
  int n = 0;
  for (const Json::Value& r : records)
    if (r["method"].asString() == method && r["path"].asString() == "/pkg/" + name) ++n;
  return n;
}

FaultOs::FaultOs(uint64_t speed) : speed_(speed), realStart_(platform::nativeOs().TickCount()) {}

uint64_t FaultOs::TickCount() {
  uint64_t now = in_.TickCount();
  return realStart_ + (now - realStart_) * speed_;
}

bool FaultOs::IsNetworkAlive() {
  int64_t after = loseNetworkAfterBytes.load();
  if (after > 0 && bytesWritten.load() >= after) return false;
  return networkAlive.load();
}

size_t FaultOs::WriteFileAt(platform::FileHandle h, int64_t offset, const void* data, size_t len) {
  int64_t from = failWritesFrom.load();
  if (from >= 0 && offset + static_cast<int64_t>(len) > from) return 0;
  size_t n = in_.WriteFileAt(h, offset, data, len);
  int64_t total = bytesWritten.fetch_add(static_cast<int64_t>(n)) + static_cast<int64_t>(n);
  int64_t cutAfter = cutFileAfterBytes.load();
  if (cutAfter >= 0 && total >= cutAfter && cutFileAfterBytes.compare_exchange_strong(cutAfter, -1))
    in_.SetFileLength(h, cutFileTo);
  return n;
}

bool FaultOs::SetFileLength(platform::FileHandle h, int64_t length) {
  ++filesSized;
  return in_.SetFileLength(h, length);
}

void RecordingOwner::OnDownloadProgress(int64_t downloaded, int64_t total) {
  std::lock_guard<std::mutex> lock(mutex_);
  reports_.emplace_back(downloaded, total);
}

std::vector<std::pair<int64_t, int64_t>> RecordingOwner::reports() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return reports_;
}

}  // namespace enginetest
