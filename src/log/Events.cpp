#include "log/Events.h"

#include <atomic>

namespace {

class DroppingEvents final : public IEvents {
 public:
  void event(const std::string&, const std::string&, const std::string&) override {}
  void funnelEx(const std::string&, const std::string&, const std::string&, const std::string&) override {}
};

DroppingEvents g_dropping;
std::atomic<IEvents*> g_sink{nullptr};

}  // namespace

IEvents& events() {
  IEvents* p = g_sink.load(std::memory_order_acquire);
  return p ? *p : g_dropping;
}

void setEvents(IEvents* sink) { g_sink.store(sink, std::memory_order_release); }
