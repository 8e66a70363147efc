// The sub-programs of a toolkit product: download beside the main package,
// their checks, and their silent installation. None of them ever fails the
// main installation.
#include <chrono>
#include <string>
#include <utility>

#include "CConfigure/CConfigure.h"
#include "FuntionImpl/ProcessLaunch.h"
#include "engine/CDownLoadImpl.h"
#include "flow/DownloadProgress.h"
#include "flow/InstallCommandLine.h"
#include "flow/InstallRun.h"
#include "log/Log.h"

namespace {

platform::Os& Os() { return platform::os(); }

// The information fetch may still be running when the download ends.
constexpr std::chrono::milliseconds kFetchDeadline{10 * 1000};
constexpr int kSubAttempts = 3;

// " i/n, a/3"
std::string Figures(size_t i, size_t n, int a) {
  return std::to_string(i) + "/" + std::to_string(n) + ", " + std::to_string(a) + "/" + std::to_string(kSubAttempts);
}

}  // namespace

void InstallRun::DownloadSubPrograms() {
  InstallState& state = *setup_.state;
  subs_ = state.subPrograms.WaitReady(kFetchDeadline);
  for (size_t i = 0; i < subs_.size(); ++i) {
    ++state.subProgramCounter;
    DownloadSubProgram(i, subs_.size());
  }
}

void InstallRun::DownloadSubProgram(size_t i, size_t n) {
  InstallState& state = *setup_.state;
  SubProgramRecord& sub = subs_[i];
  DownloadProgress progress(setup_.state, setup_.observer, setup_.toolkit);
  CDownLoadImpl engine(&progress, setup_.threadCount, &clients_);
  for (int a = 0; a < kSubAttempts; ++a) {
    LOG(INFO) << " SubProgram Info: " << Figures(i, n, a);
    if (sub.downloadUrl.empty() || sub.localPath.empty()) {
      LOG(INFO) << " SubProgram url no length: " << Figures(i, n, a);
      continue;
    }
    const std::string id = std::to_string(sub.id);
    const int64_t size = ConfigLabels::ParseInt64(sub.fileSize);
    telemetry_.SubDownloadStarted(i, id);
    state.totalBytes += size;
    std::string cdnInfo;
    engine.setSizeLimit(size);
    const int r = engine.SuperDownloadFile(sub.downloadUrl, sub.localPath, cdnInfo, true, true);
    if (!cdnInfo.empty()) telemetry_.CdnInfo(cdnInfo);
    const InstallResult result = InstallResults::FromEngine(r);
    if (result != InstallResult::Succeeded) {
      telemetry_.SubDownloadFailed(result);
      LOG(INFO) << " SubProgram Download Fail: " << r << ", " << Figures(i, n, a);
      continue;
    }
    // The start of the product looks for this mark.
    sub.downloaded = 1;
    state.subPrograms.MarkDownloaded(i);
    telemetry_.SubDownloadFinished(i, id);
    return;
  }
}

void InstallRun::CheckSubPrograms() {
  subVerified_.assign(subs_.size(), false);
  for (size_t i = 0; i < subs_.size(); ++i) {
    const SubProgramRecord& sub = subs_[i];
    if (sub.downloaded == 0) continue;
    const std::string id = std::to_string(sub.id);
    telemetry_.SubCheckStarted(i, id);
    platform::OwnedFile held(Os().OpenFileForCheck(sub.localPath));
    const Checks checks = CheckHeld(held.get(), sub.localPath, sub.md5, L"", L"");
    // Unlike the main package, a sub-program is installed only when both
    // checks pass: nothing else vouches for it. They are made again right
    // before it runs, through the file then held.
    subVerified_[i] = checks.md5 && checks.signature;
    if (!subVerified_[i]) {
      const char* code = InstallText::CheckFailureCode(checks.md5, checks.signature);
      LOG(INFO) << " SubProgram check failed, not installed: " << id << ", " << code;
      telemetry_.SubCheckFailed(code);
    }
    telemetry_.SubCheckFinished(i, id);
  }
}

void InstallRun::InstallSubPrograms(const std::wstring& dir, const std::wstring& lang, const std::wstring& tracking) {
  for (size_t i = 0; i < subVerified_.size() && i < subs_.size(); ++i) {
    if (!subVerified_[i]) continue;
    const SubProgramRecord& sub = subs_[i];
    const std::string id = std::to_string(sub.id);
    telemetry_.SubInstallStarted(i, id);
    const std::wstring line = InstallText::SubProgramCommandLine(platform::JoinPath(dir, sub.folderName), lang,
                                                                 sub.localPath + L".install.log", tracking);
    LOG(INFO) << " [Download File Path]: " << Os().WideToAnsi(sub.localPath);
    LOG(INFO) << " [Start Install CmdLine]: " << Os().WideToAnsi(line);
    platform::OwnedFile held(Os().OpenFileForCheck(sub.localPath));
    const Checks checks = CheckHeld(held.get(), sub.localPath, sub.md5, L"", L"");
    if (!checks.md5 || !checks.signature) {
      LOG(INFO) << " SubProgram changed since its check, not installed: " << id;
      telemetry_.SubCheckFailed(InstallText::CheckFailureCode(checks.md5, checks.signature));
      continue;
    }
    const InstallerOutcome out = RunInstaller(sub.localPath, line, std::move(held), [] {});
    LOG(INFO) << " Install finish: " << WaitResultText(out);
    telemetry_.SubInstallFinished(i, id);
  }
}
