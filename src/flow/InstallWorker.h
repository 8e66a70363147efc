// The install worker: one thread that carries an installation from the
// download information to the installed product (download with retries,
// sub-programs, verification, silent installation), reporting to the window
// only through IInstallObserver (and asking it through IInstallHost), and to
// the telemetry through InstallTelemetry.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "CConfigure/CConfigure.h"
#include "flow/IInstallHost.h"
#include "flow/IInstallObserver.h"
#include "flow/InstallState.h"
#include "http/IHttpClient.h"

struct InstallWorkerSetup {
  std::shared_ptr<CConfigure> config;
  std::shared_ptr<InstallState> state;
  std::shared_ptr<IInstallHost> host;
  std::shared_ptr<IInstallObserver> observer;         // the window's reports
  std::shared_ptr<http::IHttpClientFactory> clients;  // null: libcurl's
  std::shared_ptr<const ILabelSource> labels;         // a copy of the skin's Product_config labels
  std::wstring installFolderName;                     // Software_name at window creation
  std::wstring stubPath;                              // the stub's own module path
  int language = 0;                                   // EnumLanguage
  int languageOverride = -1;
  bool addTracking = true;
  bool toolkit = false;
  int animationFrames = 0;                            // the slides move only when > 1
  int threadCount = 0;                                // engine threads; 0 = its default
};

namespace InstallWorker {
// The thread body. 1 for a finished non-installer package, (unsigned)-1 on
// every failure branch, 0 after an installation. An exception ends the run
// as a failure reported as InstallResult::Stopped.
unsigned Run(const InstallWorkerSetup& setup);
// Runs Run on a counted thread (FuntionImpl::StartCounted); the setup's
// shared objects keep everything it touches alive after the window is gone.
// A thread that cannot be started is reported as Stopped.
void Start(InstallWorkerSetup setup);
}  // namespace InstallWorker
