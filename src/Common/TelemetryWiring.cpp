#include "Common/TelemetryWiring.h"

#include "log/Events.h"
#include "log/Log.h"
#include "telemetry/CSingleUserLog.h"
#include "Common/UiTelemetryQueue.h"

namespace TelemetryWiring {

namespace {
class EventsToUserLog final : public IEvents {
 public:
  void event(const std::string& category, const std::string& action, const std::string& label) override {
    LOG(INFO) << " Event: " << category << " " << action << " " << label;
    CSingleUserLog::Instance().AddUserLog(category.c_str(), action.c_str(), label.c_str());
  }
  void funnelEx(const std::string& category, const std::string& action, const std::string& key,
                const std::string& value) override {
    CSingleUserLog::Instance().AddUserLog_funnelEx(category, action, key, value, false, false);
  }
  void funnel(const std::string& eventType, const std::string& coreFunction, int step, const std::string& category,
              const std::string& action, const std::string& label, bool kit) override {
    CSingleUserLog::Instance().AddUserLog_funnel(eventType, coreFunction, step, category, action, label, false, kit);
  }
  void eventWait(const std::string& category, const std::string& action, const std::string& label) override {
    LOG(INFO) << " Event: " << category << " " << action << " " << label;
    CSingleUserLog::Instance().AddUserLog(category.c_str(), action.c_str(), label.c_str(), true);
  }
};
}  // namespace

void Connect() {
  static EventsToUserLog sink;  // lives as long as the process: downloads may outlast any window
  setEvents(&sink);
  ui::ConnectUiEventsToQueue();
}

}  // namespace TelemetryWiring
