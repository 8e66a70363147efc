#include "Common/TelemetryWiring.h"

#include "engine/IEngineEvents.h"
#include "telemetry/CSingleUserLog.h"
#include "Common/UiTelemetryQueue.h"

namespace TelemetryWiring {

namespace {
class EngineToUserLog final : public IEngineEvents {
 public:
  void event(const std::string& category, const std::string& action, const std::string& label) override {
    CSingleUserLog::Instance().AddUserLog(category.c_str(), action.c_str(), label.c_str());
  }
  void funnelEx(const std::string& category, const std::string& action, const std::string& key,
                const std::string& value) override {
    CSingleUserLog::Instance().AddUserLog_funnelEx(category, action, key, value, false, false);
  }
};
}  // namespace

void Connect() {
  static EngineToUserLog engine;  // lives as long as the process: downloads may outlast any window
  setEngineEvents(&engine);
  ui::ConnectUiEventsToQueue();
}

}  // namespace TelemetryWiring
