// The funnel records that the web log wraps for the analytics collector.
#pragma once
#include <map>
#include <string>

#include "telemetry/RunFacts.h"

namespace telemetry {

struct FunnelEvent {
  std::string eventType;      // "CoreFuncEvent", "Keypoint"; empty gives "event"
  std::string coreFuncName;   // empty: no core_func_name and no func_step
  int funcStep = 0;
  std::string eventCategory;
  std::string eventAction;
  std::string eventLabel;
};

// kit_type: 2 with the kit mark, else 1 for a toolkit product, else 0.
int KitType(bool kitMark, bool toolkit);

std::string BuildFunnelRecord(const BaseFacts& base, const UserFacts& user, const FunnelEvent& ev, bool kitMark);
std::string BuildFunnelExRecord(const BaseFacts& base, const UserFacts& user, const std::string& category,
                                const std::string& action, const std::map<std::string, std::string>& extra,
                                bool kitMark);

}  // namespace telemetry
