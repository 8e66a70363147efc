#include "flow/DownloadProgress.h"

#include "flow/InstallTelemetry.h"

namespace DownloadProgressRules {

ProgressSpan DownloadSpan(bool toolkit, int subCounter, int subRecords) {
  ProgressSpan s;
  if (!toolkit || subRecords < 1 || subRecords > 2) return s;
  if (subCounter == 0) {
    s.span = 40;
  } else if (subCounter == 1) {
    s.offset = 40;
    s.span = subRecords == 1 ? 40 : 20;
  } else if (subCounter == 2 && subRecords == 2) {
    s.offset = 60;
    s.span = 20;
  }
  return s;
}

}  // namespace DownloadProgressRules

DownloadProgress::DownloadProgress(std::shared_ptr<InstallState> state, std::shared_ptr<IInstallObserver> observer,
                                   bool toolkit)
    : state_(std::move(state)), observer_(std::move(observer)), toolkit_(toolkit) {}

void DownloadProgress::OnDownloadProgress(int64_t done, int64_t total) {
  InstallState& state = *state_;
  const DownloadProgressRules::ProgressSpan s =
      DownloadProgressRules::DownloadSpan(toolkit_, state.subProgramCounter,
                                          static_cast<int>(state.subPrograms.Size()));
  if (state.totalBytes == 0 && state.subProgramCounter == 0 && total > 0) {
    state.totalBytes = total;
    InstallTelemetry(state.retry).PackageSize(total);
  }
  double pct = total > 0 ? static_cast<double>(done) / static_cast<double>(total) * s.span + s.offset : s.offset;
  int value = pct < 0 ? 0 : static_cast<int>(pct);
  observer_->OnDownloading(value);
}
