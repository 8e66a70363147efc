// One data-service answer handed to a side-fetch job through the scripted
// client, in a context as the main window builds it: the window tests' OS
// (folders of the run's own, a fixed clock so that signed addresses do not
// change), a recording window, a fresh record and install state per input.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "../ui/SideFetchDoubles.h"
#include "CConfigure/CConfigure.h"
#include "Common/SideFetches.h"
#include "FuzzSupport.h"
#include "http/fake/FakeHttpClient.h"

namespace fuzz {

using ui_test::FetchOs;
using RecordingWindow = ui_test::RecordingSideFetchWindow;

struct SideFetchRun {
  static FetchOs& Os();  // one folder for the whole fuzzing run

  explicit SideFetchRun(const uint8_t* data, size_t size) : answer(reinterpret_cast<const char*>(data), size) {
    c.config->Update([](ProductConfig& r) { r.ForbidCountries = {L"XX"}; });
  }
  // The answer for url, as the service sent it.
  void Serve(const std::string& url) {
    http::FakeAnswer a;
    a.body = answer;
    web->web.answer(url, a);
  }

  std::string answer;
  std::shared_ptr<http::FakeHttpClientFactory> web = std::make_shared<http::FakeHttpClientFactory>();
  std::shared_ptr<RecordingWindow> window = std::make_shared<RecordingWindow>();
  SideFetchContext c = ui_test::FetchContext(Os().Dir(), web, window);
};

// Makes the OS above the one in force and quiets the log.
void SetUpSideFetches();

}  // namespace fuzz
