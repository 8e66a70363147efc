// The side-fetches' doubles, shared by their tests and fuzz targets: an OS
// with a fixed clock (signed addresses do not change) and a region of the
// test's choice; the window as the tests see it (what was posted, which
// pictures were handed over; `loads` answers whether a picture loads); a
// context as the main window builds it.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "CConfigure/CConfigure.h"
#include "Common/SideFetches.h"
#include "UiTestSupport.h"
#include "http/fake/FakeHttpClient.h"

namespace ui_test {

class FetchOs : public FakeOs {
 public:
  using FakeOs::FakeOs;
  int64_t UnixTimeMs() override { return nowMs; }
  std::wstring UserRegionCode() override { return region; }
  bool Is64BitSystem() override { return true; }
  int64_t nowMs = 1700000000000;
  std::wstring region;
};

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

// A fresh record (main process 9909) and install state, folders under dir.
inline SideFetchContext FetchContext(const std::wstring& dir, std::shared_ptr<http::FakeHttpClientFactory> web,
                                     std::shared_ptr<RecordingSideFetchWindow> window) {
  SideFetchContext c;
  c.config = std::make_shared<CConfigure>();
  c.config->Update([](ProductConfig& r) { r.MainPid = 9909; });
  c.state = std::make_shared<InstallState>();
  c.clients = std::move(web);
  c.window = std::move(window);
  c.downloadFolder = platform::JoinPath(dir, L"dl");
  c.installFolder = platform::JoinPath(dir, L"Lumevia");
  c.toolkit = true;
  return c;
}

}  // namespace ui_test
