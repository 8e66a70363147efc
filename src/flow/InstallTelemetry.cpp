#include "flow/InstallTelemetry.h"

#include <cstdio>

#include "log/Events.h"

namespace {

void Event(const std::string& category, const std::string& action, const std::string& label) {
  events().event(category, action, label);
}

void Funnel(const char* function, int step, const std::string& action, bool kit = false) {
  events().funnel("CoreFuncEvent", function, step, "Download", action, "null", kit);
}

// A sub-program's event (category "Download", label its id) and funnel
// record (action funnelPrefix + id).
void KitStep(const char* action, const char* function, int step, const char* funnelPrefix, const std::string& id) {
  Event("Download", action, id);
  Funnel(function, step, funnelPrefix + id, true);
}

int Step(size_t index) { return static_cast<int>(2 * index); }

}  // namespace

void InstallTelemetry::NoInstallSpace(uint64_t freeBytes) const {
  Event("Other", "FlowError", "DL008");
  Event("Other", "NoEnoughSpace", "install_" + std::to_string(freeBytes));
}

void InstallTelemetry::AddressChosen(const std::string& field) const {
  events().funnelEx("Download", "DownloadConfigReady", "DownloadConfigReadyCDN", field);
}

void InstallTelemetry::Fell32BitBack() const { Event("Download", "64PC32Link", ""); }

void InstallTelemetry::Failed(InstallResult result) const {
  const char* code = InstallResults::Row(result).flowError;
  if (*code) Event("Other", "FlowError", code);
}

void InstallTelemetry::DownloadStarted() const {
  Event("Download", "3.Downloading...", RunLabel());
  Funnel("Downloading", 2, "Downloading");
}

void InstallTelemetry::AttemptStarted() const { events().funnelEx("Download", "SliceDownloadStart", "", ""); }

void InstallTelemetry::CdnInfo(const std::string& text) const { Event("Other", "CDNInfor", text); }

void InstallTelemetry::AttemptFailed(InstallResult result) const {
  Event("Other", "DownErrorCode", InstallResults::EngineErrorLabel(result));
}

void InstallTelemetry::PackageSize(int64_t bytes) const {
  char mb[32];
  std::snprintf(mb, sizeof mb, "%.2fMB", static_cast<double>(bytes) / 1048576.0);
  Event("Other", "PackageSize", mb);
}

void InstallTelemetry::DownloadFinished(int attempts, int64_t seconds) const {
  Event("Download", "4.DownFinsh", retry_ ? "Retry" : attempts == 1 ? "First" : "AutoRetry");
  Funnel("Downloading", 3, "DownFinsh");
  Event("Other", "MDownloadTime", std::to_string(seconds));
}

void InstallTelemetry::DownloadFigures(const std::string& speed, bool cdn, const std::string& bucket,
                                       int64_t seconds) const {
  Funnel("Downloading", 0, "CoreFuncEnd");
  Event("Other", "DownloadSpeed", speed);
  Event("DownloadTime", cdn ? "CDN" : "Server", bucket);
  Event("Other", "DownloadTime", std::to_string(seconds));
}

void InstallTelemetry::DownloadSucceeded(const std::string& field) const {
  events().funnelEx("Download", "DownloadSuccess", "DownloadSuccessCDN", field);
}

void InstallTelemetry::CheckStarted() const {
  Event("Download", "Md5CheckStart", "");
  Funnel("Md5Check", 0, "CoreFuncStart");
  Funnel("Md5Check", 1, "Md5CheckStart");
}

void InstallTelemetry::CheckFinished(int64_t seconds) const {
  Event("Download", "Md5CheckFinsh", "");
  Event("Other", "MMD5CheckTime", std::to_string(seconds));
  Funnel("Md5Check", 2, "Md5CheckFinsh");
}

void InstallTelemetry::ChecksEnded(int64_t seconds) const {
  Event("Other", "MD5CheckTime", std::to_string(seconds));
  Funnel("Md5Check", 0, "CoreFuncEnd");
}

void InstallTelemetry::CheckFailed(const char* code) const { Event("Other", "FlowError", code); }

void InstallTelemetry::InstallStarted() const {
  Event("Download", "5.ProgramInstall", RunLabel());
  Funnel("Installing", 0, "CoreFuncStart");
  Funnel("Installing", 1, "ProgramInstall");
}

void InstallTelemetry::InstallerNotStarted(unsigned long error) const {
  Event("Other", "InstallStartError", std::to_string(error));
}

void InstallTelemetry::InstallerExitCode(const std::string& code) const { Event("Other", "InstallExitCode", code); }

void InstallTelemetry::InstallerFailedEnd() const { Funnel("Installing", 0, "CoreFuncEnd"); }

void InstallTelemetry::InstallerFinished(int64_t seconds) const {
  Event("Other", "MInstallTime", std::to_string(seconds));
  Funnel("Installing", 2, "ProgramFinsh");
}

void InstallTelemetry::InstallFinished(int64_t seconds, const std::string& productVersion) const {
  Event("Download", "6.ProgramFinsh", RunLabel());
  Funnel("Installing", 0, "CoreFuncEnd");
  Event("Other", "InstallTime", std::to_string(seconds));
  if (!productVersion.empty()) Event("Other", "ProductVersion", productVersion);
}

void InstallTelemetry::SubDownloadStarted(size_t index, const std::string& id) const {
  KitStep("3.DownloadingIsChToolKit", "Downloading", Step(index) + 4, "Downloading_", id);
}

void InstallTelemetry::SubDownloadFailed(InstallResult result) const {
  Event("Other", "DownErrorIsChToolKitErrorCode", InstallResults::EngineErrorLabel(result));
  Event("Other", "FlowErrorIsChToolKitErrorCode", InstallResults::Row(result).subFlowError);
}

void InstallTelemetry::SubDownloadFinished(size_t index, const std::string& id) const {
  KitStep("4.DownFinshIsChToolKit", "Downloading", Step(index) + 5, "DownFinsh_", id);
}

void InstallTelemetry::SubCheckStarted(size_t index, const std::string& id) const {
  KitStep("Md5CheckStartIsChToolKit", "Md5Check", Step(index) + 3, "Md5CheckStart_", id);
}

void InstallTelemetry::SubCheckFailed(const char* code) const { Event("Other", "FlowErrorIsChToolKitErrorCode", code); }

void InstallTelemetry::SubCheckFinished(size_t index, const std::string& id) const {
  KitStep("Md5CheckFinshIsChToolKit", "Md5Check", Step(index) + 4, "Md5CheckFinsh_", id);
}

void InstallTelemetry::SubInstallStarted(size_t index, const std::string& id) const {
  KitStep("5.ProgramInstallIsChToolKit", "Installing", Step(index) + 3, "ProgramInstall_", id);
}

void InstallTelemetry::SubInstallFinished(size_t index, const std::string& id) const {
  KitStep("6.ProgramFinshIsChToolKit", "Installing", Step(index) + 4, "ProgramFinsh_", id);
}
