// Keeps every reported event in order; for tests and for tools that print them.
#pragma once
#include <mutex>
#include <string>
#include <vector>

#include "engine/IEngineEvents.h"

class RecordingEngineEvents final : public IEngineEvents {
 public:
  struct Record {
    bool funnel;  // funnelEx rather than event
    std::string category, action, label;  // label is the funnel key
    std::string value;                    // funnel value; empty for events
  };

  void event(const std::string& c, const std::string& a, const std::string& l) override {
    std::lock_guard<std::mutex> lock(mutex_);
    records_.push_back({false, c, a, l, {}});
  }
  void funnelEx(const std::string& c, const std::string& a, const std::string& k, const std::string& v) override {
    std::lock_guard<std::mutex> lock(mutex_);
    records_.push_back({true, c, a, k, v});
  }
  std::vector<Record> records() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return records_;
  }
  // Events (not funnels) with this category and action.
  std::vector<std::string> labels(const std::string& category, const std::string& action) const {
    std::vector<std::string> out;
    for (const Record& r : records())
      if (!r.funnel && r.category == category && r.action == action) out.push_back(r.label);
    return out;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Record> records_;
};
