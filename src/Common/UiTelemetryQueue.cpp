#include "Common/UiTelemetryQueue.h"

#include "log/Log.h"
#include "telemetry/CSingleUserLog.h"
#include "ui/UiTelemetry.h"

namespace ui {

void ConnectUiEventsToQueue() {
  SetUiEventSink([](const UiEventRecord& r) {
    CSingleUserLog& queue = CSingleUserLog::Instance();
    // The log keeps every report too, whether or not it can be sent.
    if (r.funnel)
      LOG(INFO) << " Funnel: " << r.eventType << " " << r.coreFunction << " " << r.step << " " << r.category << " "
                << r.action << " " << r.label;
    else
      LOG(INFO) << " Event: " << r.category << " " << r.action << " " << r.label;
    if (r.funnel)
      queue.AddUserLog_funnel(r.eventType, r.coreFunction, r.step, r.category, r.action, r.label, false, false);
    else
      queue.AddUserLog(r.category.c_str(), r.action.c_str(), r.label.c_str(), r.wait);
  });
}

}  // namespace ui
