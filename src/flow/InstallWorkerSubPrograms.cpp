// The sub-programs of a toolkit product: download beside the main package,
// their checks, and their silent installation. None of them ever fails the
// main installation.
#include <string>
#include <utility>

#include "CConfigure/CConfigure.h"
#include "FuntionImpl/ProcessLaunch.h"
#include "engine/CDownLoadImpl.h"
#include "flow/DownloadProgress.h"
#include "flow/InstallCommandLine.h"
#include "flow/InstallRun.h"
#include "log/Events.h"
#include "log/Log.h"

namespace {

platform::Os& Os() { return platform::os(); }

constexpr int kPolls = 10;          // the information fetch may still be running
constexpr unsigned kPollMs = 1000;
constexpr int kSubAttempts = 3;

// Polls until ready() holds, pausing before each repeat.
template <class Ready>
bool PollUntil(Ready ready) {
  for (int i = 0; i < kPolls; ++i) {
    if (i > 0) Os().SleepMs(kPollMs);
    if (ready()) return true;
  }
  return false;
}

// " i/n, a/3"
std::string Figures(size_t i, size_t n, int a) {
  return std::to_string(i) + "/" + std::to_string(n) + ", " + std::to_string(a) + "/" + std::to_string(kSubAttempts);
}

}  // namespace

void InstallRun::DownloadSubPrograms() {
  InstallState& state = *setup_.state;
  PollUntil([&] {
    std::vector<std::wstring> folders = state.SubProgramFolders();
    return !folders.empty() && !folders[0].empty();
  });
  const size_t n = state.SubProgramFolders().size();
  subDownloaded_.assign(n, false);
  for (size_t i = 0; i < n; ++i) {
    ++state.subProgramCounter;
    PollUntil([&] {
      std::vector<std::wstring> urls = state.SubProgramUrls();
      return i < urls.size() && !urls[i].empty();
    });
    DownloadSubProgram(i, n);
  }
}

void InstallRun::DownloadSubProgram(size_t i, size_t n) {
  InstallState& state = *setup_.state;
  DownloadProgress progress(setup_.state, setup_.host, setup_.toolkit);
  CDownLoadImpl engine(&progress, setup_.threadCount, &clients_);
  for (int a = 0; a < kSubAttempts; ++a) {
    LOG(INFO) << " SubProgram Info: " << Figures(i, n, a);
    const std::vector<std::wstring> urls = state.SubProgramUrls(), files = state.SubProgramFiles();
    const std::vector<SubProgramRecord> records = state.SubPrograms();
    if (i >= urls.size() || i >= files.size()) {
      LOG(INFO) << " SubProgram no url: " << Figures(i, n, a);
      continue;
    }
    if (urls[i].empty() || files[i].empty()) {
      LOG(INFO) << " SubProgram url no length: " << Figures(i, n, a);
      continue;
    }
    const bool known = i < records.size();
    const std::string id = known ? std::to_string(records[i].id) : std::string();
    if (known) {
      KitStep("3.DownloadingIsChToolKit", "Downloading", static_cast<int>(2 * i + 4), "Downloading_", id);
      setup_.state->totalBytes += ConfigLabels::ParseInt64(records[i].fileSize);
    }
    std::string cdnInfo;
    engine.setSizeLimit(known ? ConfigLabels::ParseInt64(records[i].fileSize) : 0);
    const int r = engine.SuperDownloadFile(urls[i], files[i], cdnInfo, true, true);
    if (!cdnInfo.empty()) Event("Other", "CDNInfor", cdnInfo);
    if (r != 1) {
      Event("Other", "DownErrorIsChToolKitErrorCode", "error" + std::to_string(r));
      Event("Other", "FlowErrorIsChToolKitErrorCode", InstallText::DownloadErrorCode(r));
      LOG(INFO) << " SubProgram Download Fail: " << r << ", " << Figures(i, n, a);
      continue;
    }
    if (known) {
      subDownloaded_[i] = true;
      KitStep("4.DownFinshIsChToolKit", "Downloading", static_cast<int>(2 * i + 5), "DownFinsh_", id);
    }
    return;
  }
}

void InstallRun::CheckSubPrograms() {
  const std::vector<std::wstring> files = setup_.state->SubProgramFiles();
  const std::vector<SubProgramRecord> records = setup_.state->SubPrograms();
  subVerified_.assign(files.size(), false);
  for (size_t i = 0; i < files.size() && i < subDownloaded_.size() && i < records.size(); ++i) {
    if (!subDownloaded_[i]) continue;
    const std::string id = std::to_string(records[i].id);
    const int step = static_cast<int>(2 * i);
    KitStep("Md5CheckStartIsChToolKit", "Md5Check", step + 3, "Md5CheckStart_", id);
    platform::OwnedFile held(Os().OpenFileForCheck(files[i]));
    const Checks checks = CheckHeld(held.get(), files[i], records[i].md5, L"", L"");
    // Unlike the main package, a sub-program is installed only when both
    // checks pass: nothing else vouches for it. They are made again right
    // before it runs, through the file then held.
    subVerified_[i] = checks.md5 && checks.signature;
    if (!subVerified_[i]) {
      const char* code = InstallText::CheckFailureCode(checks.md5, checks.signature);
      LOG(INFO) << " SubProgram check failed, not installed: " << id << ", " << code;
      Event("Other", "FlowErrorIsChToolKitErrorCode", code);
    }
    KitStep("Md5CheckFinshIsChToolKit", "Md5Check", step + 4, "Md5CheckFinsh_", id);
  }
}

void InstallRun::InstallSubPrograms(const std::wstring& dir, const std::wstring& lang, const std::wstring& tracking) {
  const std::vector<std::wstring> files = setup_.state->SubProgramFiles();
  const std::vector<std::wstring> folders = setup_.state->SubProgramFolders();
  const std::vector<SubProgramRecord> records = setup_.state->SubPrograms();
  for (size_t i = 0; i < subVerified_.size() && i < folders.size() && i < records.size(); ++i) {
    if (!subVerified_[i]) continue;
    const std::string id = std::to_string(records[i].id);
    const int step = static_cast<int>(2 * i);
    KitStep("5.ProgramInstallIsChToolKit", "Installing", step + 3, "ProgramInstall_", id);
    const std::wstring line = InstallText::SubProgramCommandLine(platform::JoinPath(dir, folders[i]), lang,
                                                                 files[i] + L".install.log", tracking);
    LOG(INFO) << " [Download File Path]: " << Os().WideToAnsi(files[i]);
    LOG(INFO) << " [Start Install CmdLine]: " << Os().WideToAnsi(line);
    platform::OwnedFile held(Os().OpenFileForCheck(files[i]));
    const Checks checks = CheckHeld(held.get(), files[i], records[i].md5, L"", L"");
    if (!checks.md5 || !checks.signature) {
      LOG(INFO) << " SubProgram changed since its check, not installed: " << id;
      Event("Other", "FlowErrorIsChToolKitErrorCode", InstallText::CheckFailureCode(checks.md5, checks.signature));
      continue;
    }
    const InstallerOutcome out = RunInstaller(files[i], line, std::move(held), [] {});
    LOG(INFO) << " Install finish: " << WaitResultText(out);
    KitStep("6.ProgramFinshIsChToolKit", "Installing", step + 4, "ProgramFinsh_", id);
  }
}
