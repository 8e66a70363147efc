#include "TestSupport.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testing_support {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  fs::path p = fs::temp_directory_path() /
               ("lumevia-test-" + std::to_string(platform::os().CurrentProcessId()) + "-" +
                std::to_string(stamp) + "-" + std::to_string(counter++));
  fs::create_directories(p);
  path_ = p.wstring();
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(fs::path(path_), ec);
}

void TempDir::write(const std::wstring& name, const std::string& bytes) const {
  std::ofstream f(fs::path(file(name)), std::ios::binary);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

namespace {
void Put16(std::string& s, unsigned v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, unsigned long v) {
  Put16(s, static_cast<unsigned>(v & 0xFFFF));
  Put16(s, static_cast<unsigned>((v >> 16) & 0xFFFF));
}
std::string RawDeflate(const std::string& in) {
  z_stream zs = {};
  deflateInit2(&zs, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, static_cast<uLong>(in.size())) + 16, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  zs.avail_in = static_cast<uInt>(in.size());
  zs.next_out = reinterpret_cast<Bytef*>(&out[0]);
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}
}  // namespace

std::string MakeZip(const std::vector<std::pair<std::string, std::string>>& entries, bool deflate) {
  std::string zip, central;
  for (const auto& e : entries) {
    const std::string& name = e.first;
    const std::string& data = e.second;
    unsigned long crc = crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    std::string body = deflate ? RawDeflate(data) : data;
    unsigned method = deflate ? 8 : 0;
    unsigned long offset = static_cast<unsigned long>(zip.size());
    Put32(zip, 0x04034b50); Put16(zip, 20); Put16(zip, 0); Put16(zip, method);
    Put16(zip, 0); Put16(zip, 0x21);  // time, date
    Put32(zip, crc); Put32(zip, static_cast<unsigned long>(body.size()));
    Put32(zip, static_cast<unsigned long>(data.size()));
    Put16(zip, static_cast<unsigned>(name.size())); Put16(zip, 0);
    zip += name;
    zip += body;
    Put32(central, 0x02014b50); Put16(central, 20); Put16(central, 20); Put16(central, 0);
    Put16(central, method); Put16(central, 0); Put16(central, 0x21);
    Put32(central, crc); Put32(central, static_cast<unsigned long>(body.size()));
    Put32(central, static_cast<unsigned long>(data.size()));
    Put16(central, static_cast<unsigned>(name.size())); Put16(central, 0); Put16(central, 0);
    Put16(central, 0); Put16(central, 0); Put32(central, 0); Put32(central, offset);
    central += name;
  }
  unsigned long cdOffset = static_cast<unsigned long>(zip.size());
  zip += central;
  Put32(zip, 0x06054b50); Put16(zip, 0); Put16(zip, 0);
  Put16(zip, static_cast<unsigned>(entries.size())); Put16(zip, static_cast<unsigned>(entries.size()));
  Put32(zip, static_cast<unsigned long>(central.size())); Put32(zip, cdOffset); Put16(zip, 0);
  return zip;
}

std::string BuiltSkinZip() {
  std::ifstream f(LUMEVIA_SKIN_ZIP, std::ios::binary);
  if (!f) throw std::runtime_error("skin package not built: " LUMEVIA_SKIN_ZIP);
  std::ostringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

void RecordingEvents::add(std::string record) {
  std::lock_guard<std::mutex> g(lock_);
  records_.push_back(std::move(record));
}

void RecordingEvents::event(const std::string& c, const std::string& a, const std::string& l) {
  add("E " + c + "|" + a + "|" + l);
}

void RecordingEvents::funnelEx(const std::string& c, const std::string& a, const std::string& k,
                               const std::string& v) {
  add("X " + c + "|" + a + "|" + k + "|" + v);
}

void RecordingEvents::funnel(const std::string& type, const std::string& function, int step, const std::string& c,
                             const std::string& a, const std::string& l, bool kit) {
  std::string rest = function + "|" + std::to_string(step) + "|" + a + "|" + (kit ? "kit" : "main");
  if (type != "CoreFuncEvent" || c != "Download" || l != "null") rest = type + "|" + c + "|" + l + "|" + rest;
  add("F " + rest);
}

std::vector<std::string> RecordingEvents::all() const {
  std::lock_guard<std::mutex> g(lock_);
  return records_;
}

size_t RecordingEvents::count(const std::string& record) const {
  std::vector<std::string> r = all();
  return static_cast<size_t>(std::count(r.begin(), r.end(), record));
}

std::vector<std::string> RecordingEvents::labels(const std::string& category, const std::string& action) const {
  const std::string head = "E " + category + "|" + action + "|";
  std::vector<std::string> out;
  for (const std::string& r : all())
    if (r.compare(0, head.size(), head) == 0) out.push_back(r.substr(head.size()));
  return out;
}

}  // namespace testing_support
