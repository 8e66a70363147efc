// What the subsystems below the telemetry queue report (configuration,
// engine, install flow). None of them talks to the queue itself: the
// application installs a sink that forwards to it, tests install a recording
// one. Events are dropped while none is installed.
#pragma once
#include <string>

class IEvents {
 public:
  virtual ~IEvents() = default;
  // An event (category, action, label).
  virtual void event(const std::string& category, const std::string& action, const std::string& label) = 0;
  // A funnel record in its one-entry form (category, action, key, value).
  virtual void funnelEx(const std::string& category, const std::string& action, const std::string& key,
                        const std::string& value) = 0;
  // A funnel record: event type, core function, its step, category, action,
  // label; kit marks a sub-program's record.
  virtual void funnel(const std::string& eventType, const std::string& coreFunction, int step,
                      const std::string& category, const std::string& action, const std::string& label, bool kit) {
    (void)eventType, (void)coreFunction, (void)step, (void)category, (void)action, (void)label, (void)kit;
  }
  // An event delivered before the call returns (the process ends right after).
  virtual void eventWait(const std::string& category, const std::string& action, const std::string& label) {
    event(category, action, label);
  }
};

// The sink in force.
IEvents& events();
// Installs a sink (null removes it). The object must outlive every caller.
void setEvents(IEvents* sink);
