#include "engine/IEngineEvents.h"

#include <atomic>

namespace {

class DroppingEvents final : public IEngineEvents {
 public:
  void event(const std::string&, const std::string&, const std::string&) override {}
  void funnelEx(const std::string&, const std::string&, const std::string&, const std::string&) override {}
};

DroppingEvents g_dropping;
std::atomic<IEngineEvents*> g_sink{nullptr};

}  // namespace

IEngineEvents& engineEvents() {
  IEngineEvents* p = g_sink.load(std::memory_order_acquire);
  return p ? *p : g_dropping;
}

void setEngineEvents(IEngineEvents* sink) { g_sink.store(sink, std::memory_order_release); }
