// The analytics collector's payload (version "2.0"), built from a funnel
// record and the machine's identifiers.
#pragma once
#include <cstdint>
#include <string>

#include <json/json.h>

namespace weblog {

struct CollectorIds {
  std::string machineId;   // "uid"
  std::string sessionId;
  std::string mac;
  std::string osVersion;   // "Windows 10 x64"
  int64_t timeStampMs = 0;
};

// A record that does not parse, or is not an object, counts as an empty
// object: every member takes its default.
Json::Value ParseFunnelRecord(const std::string& text);
Json::Value BuildCollectorPayload(const Json::Value& input, const CollectorIds& ids);
std::string StyledJson(const Json::Value& v);

}  // namespace weblog
