// What the engine reports to telemetry. The engine never talks to the event
// queue itself: the application installs an implementation that forwards to
// it, tests install a recording one.
#pragma once
#include <string>

class IEngineEvents {
 public:
  virtual ~IEngineEvents() = default;
  // An event (category, action, label).
  virtual void event(const std::string& category, const std::string& action, const std::string& label) = 0;
  // A funnel record in its one-entry form (category, action, key, value).
  virtual void funnelEx(const std::string& category, const std::string& action, const std::string& key,
                        const std::string& value) = 0;
};

// The sink in force; events are dropped while none is installed.
IEngineEvents& engineEvents();
// Installs a sink (null removes it). The object must outlive every download.
void setEngineEvents(IEngineEvents* sink);
