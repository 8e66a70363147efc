#include "telemetry/FunnelRecord.h"

#include <json/json.h>

namespace telemetry {

int KitType(bool kitMark, bool toolkit) { return kitMark ? 2 : toolkit ? 1 : 0; }

namespace {

Json::Value Common(const BaseFacts& base, const UserFacts& user, bool kitMark) {
  Json::Value r(Json::objectValue);
  r["is_new"] = user.isNew;
  r["brand"] = "PC";
  r["model"] = "PC";
  r["product"] = user.product;
  r["product_version"] = user.mainWnd ? user.mainWnd->ProductVersion() : std::string();
  r["email"] = "";
  r["phone"] = "";
  r["cross_end_id"] = base.fileTag;
  r["rnclid"] = base.fileTag;
  r["source_type"] = "downloader";
  r["tools_version"] = base.toolsVersion;
  r["tools_lang"] = user.mainWnd ? user.mainWnd->LanguageCode() : std::string();
  r["kit_type"] = KitType(kitMark, user.toolkit);
  r["pid"] = user.pid;
  return r;
}

}  // namespace

std::string BuildFunnelRecord(const BaseFacts& base, const UserFacts& user, const FunnelEvent& ev, bool kitMark) {
  Json::Value r = Common(base, user, kitMark);
  Json::Value& a = r["actions"];
  a["event_category"] = ev.eventCategory;
  a["event_action"] = ev.eventAction;
  a["event_label"] = ev.eventLabel;
  if (!ev.coreFuncName.empty()) {
    a["core_func_name"] = ev.coreFuncName;
    a["func_step"] = ev.funcStep;
  }
  a["event_type"] = ev.eventType.empty() ? std::string("event") : ev.eventType;
  return r.toStyledString();
}

std::string BuildFunnelExRecord(const BaseFacts& base, const UserFacts& user, const std::string& category,
                                const std::string& action, const std::map<std::string, std::string>& extra,
                                bool kitMark) {
  Json::Value r = Common(base, user, kitMark);
  Json::Value& a = r["actions"];
  a["event_type"] = "event";
  a["event_category"] = category;
  a["event_action"] = action;
  // An extra member never replaces the three fixed ones.
  for (const auto& kv : extra)
    if (!kv.first.empty() && !a.isMember(kv.first)) a[kv.first] = kv.second;
  return r.toStyledString();
}

}  // namespace telemetry
