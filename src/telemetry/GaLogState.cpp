#include "telemetry/GaLogState.h"

#include <json/json.h>

#include <ctime>
#include <exception>
#include <memory>
#include <mutex>

#include "platform/Platform.h"

namespace telemetry {

namespace {

std::mutex g_fileLock;  // the two updates may come from different threads

// Far above what the updates write (some 100 bytes, two levels).
constexpr int64_t kMaxFileBytes = 64 * 1024;
constexpr int kMaxDepth = 16;

// The file's object; false when the file is missing. A file that is not a
// JSON object, or is larger or deeper than the limits, reads as an empty
// object and is rewritten whole.
bool Load(const std::wstring& path, Json::Value& out) {
  std::string text;
  out = Json::Value(Json::objectValue);
  const int64_t size = platform::os().FileSize(path);
  if (size > kMaxFileBytes) return true;
  if (size < 0 || !platform::os().ReadFile(path, text)) return false;
  Json::CharReaderBuilder b;
  b["stackLimit"] = kMaxDepth;
  std::unique_ptr<Json::CharReader> r(b.newCharReader());
  Json::Value v;
  std::string err;
  try {
    // The reader throws past its depth limit.
    if (r->parse(text.data(), text.data() + text.size(), &v, &err) && v.isObject()) out = v;
  } catch (const std::exception&) {
  }
  return true;
}

void Store(const std::wstring& path, const Json::Value& v) { platform::os().WriteFile(path, v.toStyledString()); }

bool IsInt(const Json::Value& v, int n) { return v.isInt() && v.asInt() == n; }

}  // namespace

LocalDate TodayLocal() {
  std::time_t now = std::time(nullptr);
  std::tm t = *std::localtime(&now);
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday};
}

std::wstring GaLogPath(const std::wstring& folder) { return platform::JoinPath(folder, L"galog.json"); }

int UpdateIsNew(const std::wstring& path, const LocalDate& today) {
  std::lock_guard<std::mutex> g(g_fileLock);
  Json::Value v;
  if (Load(path, v) && IsInt(v["year"], today.year) && IsInt(v["month"], today.month) &&
      IsInt(v["day"], today.day))
    return 0;
  v["year"] = today.year;
  v["month"] = today.month;
  v["day"] = today.day;
  Store(path, v);
  return 1;
}

void UpdateGaLogVersion(const std::wstring& path, const std::string& toolsVersion) {
  std::lock_guard<std::mutex> g(g_fileLock);
  Json::Value v;
  Load(path, v);
  if (v["version"].isString() && v["version"].asString() == toolsVersion) return;
  v["version"] = toolsVersion;
  Store(path, v);
}

}  // namespace telemetry
