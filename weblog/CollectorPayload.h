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

// Records come from the queue and from script installers through the
// exported slot; ours are two levels and well under a KiB.
constexpr size_t kMaxRecordBytes = 1u << 20;
constexpr int kMaxRecordDepth = 32;

// A record that does not parse, is not an object, or is larger or deeper
// than the limits counts as an empty object: every member takes its default.
Json::Value ParseFunnelRecord(const std::string& text);
Json::Value BuildCollectorPayload(const Json::Value& input, const CollectorIds& ids);
std::string StyledJson(const Json::Value& v);

}  // namespace weblog
