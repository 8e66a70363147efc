#include "weblog/CollectorPayload.h"

#include <exception>
#include <memory>

namespace weblog {

namespace {

// Member of the input, or the default when it is missing.
Json::Value Get(const Json::Value& in, const char* name, const Json::Value& def) {
  return in.isMember(name) ? in[name] : def;
}

// Members copied into "common": name in the input and the payload, and the
// default when the input lacks it.
struct CommonMember {
  const char* name;
  Json::Value (*def)();
};
Json::Value Text() { return Json::Value(""); }
Json::Value Zero() { return Json::Value(0); }
Json::Value Null() { return Json::Value(Json::nullValue); }

const CommonMember kCommon[] = {
    {"pid", Zero},           {"brand", Text},        {"model", Text},        {"channel", Text},
    {"is_new", Zero},        {"product", Text},      {"product_version", Text},
    {"email", Text},         {"phone", Text},        {"is_vip", Null},       {"is_login", Null},
    {"user_id", Null},       {"cross_end_id", Null}, {"source_type", Null},  {"rnclid", Null},
    {"tools_version", Text}, {"tools_lang", Text},   {"kit_type", Text},
};

}  // namespace

Json::Value ParseFunnelRecord(const std::string& text) {
  if (text.size() > kMaxRecordBytes) return Json::Value(Json::objectValue);
  Json::CharReaderBuilder builder;
  builder["stackLimit"] = kMaxRecordDepth;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value v;
  std::string errors;
  try {
    // The reader throws past its depth limit; the record then counts as not JSON.
    if (!reader->parse(text.data(), text.data() + text.size(), &v, &errors) || !v.isObject())
      return Json::Value(Json::objectValue);
  } catch (const std::exception&) {
    return Json::Value(Json::objectValue);
  }
  return v;
}

Json::Value BuildCollectorPayload(const Json::Value& in, const CollectorIds& ids) {
  Json::Value out(Json::objectValue);
  out["version"] = "2.0";
  Json::Value& common = out["common"];
  common["uid"] = ids.machineId;
  common["session_id"] = ids.sessionId;
  common["mac"] = ids.mac;
  common["os"] = "Win";
  common["os_version"] = ids.osVersion;
  for (const CommonMember& m : kCommon) common[m.name] = Get(in, m.name, m.def());
  if (in.isMember("entry")) out["start"]["entry"] = Get(in, "entry", Text());
  out["actions"] = Get(in, "actions", Null());
  if (in.isMember("monitor_type")) {
    Json::Value& mon = out["monitor"];
    mon["monitor_type"] = Get(in, "monitor_type", Text());
    mon["guid"] = Get(in, "monitor_guid", Text());
    Json::Value& param = mon["param"];
    param["start_time"] = Get(in, "monitor_start_time", Text());
    param["error_time"] = Get(in, "monitor_error_time", Text());
    param["line_id"] = Get(in, "monitor_line_id", Zero());
    param["error_code"] = Get(in, "monitor_error_code", Text());
    param["total_memory"] = Get(in, "monitor_total_memory", Text());
    param["remain_memory"] = Get(in, "monitor_remain_memory", Text());
    param["user_ext"] = Get(in, "monitor_user_ext", Text());
    Json::Value& ext = param["ext"];
    ext["parent_pid"] = Get(in, "monitor_main_pid", Zero());
    ext["pid"] = Get(in, "monitor_sub_pid", Zero());
    ext["ext_others"] = Get(in, "monitor_ext1", Text());
  }
  out["ts"] = Json::Int64(ids.timeStampMs);
  return out;
}

std::string StyledJson(const Json::Value& v) { return v.toStyledString(); }

}  // namespace weblog
