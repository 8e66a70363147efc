// A worker run against the scripted HTTP client, a recording window host and
// observer and an OS double: a product "Lumevia" 3.1.0 whose installer package is served at
// kPackageUrl and whose configuration came from the service.
#pragma once
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "ChecksTestSupport.h"
#include "WorkerTestSupport.h"
#include "flow/InstallWorker.h"
#include "http/fake/FakeHttpClient.h"

namespace flowtest {

constexpr size_t kMiB = 1048576;
extern const char kPackageUrl[];
extern const wchar_t kPackageUrlW[];

class MapLabels final : public ILabelSource {
 public:
  std::map<std::wstring, std::wstring> labels;
  bool LabelText(const std::wstring& name, std::wstring& text) const override;
};

class WorkerRun : public ::testing::Test {
 protected:
  WorkerRun();

  unsigned run() { return InstallWorker::Run(setup); }
  // temp/Lumevia_setup/Lumevia_setup_3.1.0.exe
  std::wstring packagePath() const;
  std::wstring downloadFolder() const;
  // The collector's POST bodies.
  std::vector<std::string> reports() const;
  // Every record but the engine's own (size probe, slices, speed).
  std::vector<std::string> flowRecords() const;

  testing_support::TempDir dir;
  WorkerOs os;
  platform::ScopedOs scoped;
  RecordingEvents events;
  checkstest::LogLines log;
  std::string package;
  std::shared_ptr<http::FakeHttpClientFactory> clients;
  std::shared_ptr<CConfigure> config;
  std::shared_ptr<InstallState> state;
  std::shared_ptr<RecordingHost> host;
  std::shared_ptr<RecordingObserver> observer;
  std::shared_ptr<MapLabels> labels;
  InstallWorkerSetup setup;
};

}  // namespace flowtest
