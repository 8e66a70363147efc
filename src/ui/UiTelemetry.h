// The windows' telemetry calls go through here: event (category, action,
// label) and funnel records. Start-up connects the sink to the telemetry
// queue; until then (and in tests) the sink is replaceable.
#pragma once
#include <functional>
#include <string>

namespace ui {

struct UiEventRecord {
  bool funnel = false;
  bool wait = false;
  // Event: category, action, label. Funnel: event type, core function name,
  // step, category, action, label.
  std::string category, action, label;
  std::string eventType, coreFunction;
  int step = 0;
};

using UiEventSink = std::function<void(const UiEventRecord&)>;
// Replaces the sink; answers the previous one.
UiEventSink SetUiEventSink(UiEventSink sink);

void UiEvent(const std::string& category, const std::string& action, const std::string& label, bool wait = false);
void UiFunnel(const std::string& eventType, const std::string& coreFunction, int step, const std::string& category,
              const std::string& action, const std::string& label);

}  // namespace ui
