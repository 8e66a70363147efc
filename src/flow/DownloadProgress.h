// The install worker's download progress: the percentage of the whole
// download phase (main package, then the sub-programs of a toolkit
// product), reported to the window. It runs on the worker's thread, inside
// the engine's watch loop, and never touches the window object.
#pragma once
#include <cstdint>
#include <memory>

#include "engine/IDownloadOwner.h"
#include "flow/IInstallObserver.h"
#include "flow/InstallState.h"

namespace DownloadProgressRules {
// Offset and span of the progress for the current file: the main package
// takes 0..40 of a toolkit product with one or two sub-programs, which share
// 40..80; every other case takes 0..80.
struct ProgressSpan {
  int offset = 0;
  int span = 80;
};
ProgressSpan DownloadSpan(bool toolkit, int subCounter, int subRecords);
}  // namespace DownloadProgressRules

class DownloadProgress final : public IDownloadOwner {
 public:
  DownloadProgress(std::shared_ptr<InstallState> state, std::shared_ptr<IInstallObserver> observer, bool toolkit);
  // Reports the percentage; the first report of the main package also sets
  // the total byte count and sends "PackageSize".
  void OnDownloadProgress(int64_t done, int64_t total) override;

 private:
  std::shared_ptr<InstallState> state_;
  std::shared_ptr<IInstallObserver> observer_;
  bool toolkit_;
};
