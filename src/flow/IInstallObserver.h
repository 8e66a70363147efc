// What the install worker reports, in the order a run goes. The calls come
// from the worker's thread and must not block on the window's: the window's
// host turns each into a message its own thread handles.
#pragma once
#include "flow/InstallResult.h"

class IInstallObserver {
 public:
  enum class Finish { DownloadedOnly, Installed };

  virtual ~IInstallObserver() = default;

  // The download information is being asked for (true), then answered.
  virtual void OnPreparing(bool asking) = 0;
  // The slides move on their own while the package downloads (true), and
  // stop when the installation begins.
  virtual void OnSlides(bool run) = 0;
  // Percent of the download phase (0..80).
  virtual void OnDownloading(int percent) = 0;
  virtual void OnVerifying() = 0;
  // The installer process started.
  virtual void OnInstalling() = 0;
  virtual void OnFinished(Finish kind) = 0;
  // The product asks to be started once installed (after OnFinished).
  virtual void OnStartRequested() = 0;
  // The run ended without its product; once per run.
  virtual void OnFailed(InstallResult result) = 0;
};
