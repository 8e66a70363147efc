// A funnel record as the web log receives it, turned into the collector's
// payload.
#include <string>

#include "FuzzSupport.h"
#include "weblog/CollectorPayload.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Json::Value input = weblog::ParseFunnelRecord(std::string(reinterpret_cast<const char*>(data), size));
  fuzz::Require(input.isObject(), "a record reads as an object");
  weblog::CollectorIds ids;
  ids.machineId = "m";
  ids.sessionId = "s";
  ids.timeStampMs = 1700000000000;
  const std::string body = weblog::StyledJson(weblog::BuildCollectorPayload(input, ids));
  fuzz::Require(!body.empty(), "a payload is written");
  return 0;
}
