// The side-fetches' window as the tests see it: what was posted and which
// pictures were handed over; `loads` answers whether a picture loads.
#pragma once
#include <string>
#include <vector>

#include "Common/SideFetches.h"

namespace ui_test {

class RecordingSideFetchWindow : public ISideFetchWindow {
 public:
  void Post(unsigned msg) override { posted.push_back(msg); }
  bool RegisterImage(const std::wstring& path) override {
    registered.push_back(path);
    return loads;
  }
  std::vector<unsigned> posted;
  std::vector<std::wstring> registered;
  bool loads = true;
};

}  // namespace ui_test
