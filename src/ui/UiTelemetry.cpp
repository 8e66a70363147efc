#include "ui/UiTelemetry.h"

#include <mutex>

#include "log/Log.h"

namespace ui {

namespace {
std::mutex g_lock;
UiEventSink& Sink() {
  // Without a connected queue the events still reach the log.
  static UiEventSink sink = [](const UiEventRecord& r) {
    if (r.funnel)
      LOG(INFO) << " Funnel: " << r.eventType << " " << r.coreFunction << " " << r.step << " " << r.category << " "
                << r.action << " " << r.label;
    else
      LOG(INFO) << " Event: " << r.category << " " << r.action << " " << r.label;
  };
  return sink;
}

void Deliver(const UiEventRecord& r) {
  UiEventSink s;
  {
    std::lock_guard<std::mutex> l(g_lock);
    s = Sink();
  }
  if (s) s(r);
}
}  // namespace

UiEventSink SetUiEventSink(UiEventSink sink) {
  std::lock_guard<std::mutex> l(g_lock);
  UiEventSink old = Sink();
  Sink() = std::move(sink);
  return old;
}

void UiEvent(const std::string& category, const std::string& action, const std::string& label, bool wait) {
  UiEventRecord r;
  r.category = category;
  r.action = action;
  r.label = label;
  r.wait = wait;
  Deliver(r);
}

void UiFunnel(const std::string& eventType, const std::string& coreFunction, int step, const std::string& category,
              const std::string& action, const std::string& label) {
  UiEventRecord r;
  r.funnel = true;
  r.eventType = eventType;
  r.coreFunction = coreFunction;
  r.step = step;
  r.category = category;
  r.action = action;
  r.label = label;
  Deliver(r);
}

}  // namespace ui
