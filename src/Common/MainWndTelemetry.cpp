#include "Common/MainWndTelemetry.h"

#include <cstdio>

#include "FuntionImpl/SystemInfo.h"
#include "language/Language.h"
#include "ui/UiTelemetry.h"

using ui::UiEvent;
using ui::UiFunnel;

namespace {
std::atomic<bool> g_firstClickSent{false};

const char* RunLabel(bool retry) { return retry ? "Retry" : "First"; }
}  // namespace

MainWndTelemetry::MainWndTelemetry(std::atomic<bool>* firstClickSent)
    : firstClickSent_(firstClickSent ? firstClickSent : &g_firstClickSent) {}

void MainWndTelemetry::Created() const {
  UiEvent("CrashRate", "Start", "");
  UiFunnel("Keypoint", "null", 0, "CorePublicModule", "Start", "null");
}

void MainWndTelemetry::MachineFacts(const std::string& osName, const std::string& uiLanguage, int width,
                                    int height) const {
  UiEvent("PC", "SysOS", osName);
  UiEvent("PC", "SysLanguage", uiLanguage);
  char res[32];
  std::snprintf(res, sizeof res, "%d*%d", width, height);
  UiEvent("PC", "SysScreenResolution", res);
}

void MainWndTelemetry::Launched() const {
  UiEvent("Download", "1.Launch", "");
  UiFunnel("CoreFuncEvent", "BeforeDownload", 0, "Download", "CoreFuncStart", "null");
  UiFunnel("CoreFuncEvent", "BeforeDownload", 1, "Download", "Launch", "null");
  UiFunnel("CoreFuncEvent", "BeforeDownload", 0, "Download", "CoreFuncEnd", "null");
}

void MainWndTelemetry::Ready(uint64_t ms) const { UiEvent("Other", "ClickToShowTime", std::to_string(ms)); }

void MainWndTelemetry::InstallClicked(int language, bool pathChanged) const {
  UiEvent("Download", "2.DownStart", "");
  UiFunnel("CoreFuncEvent", "Downloading", 0, "Download", "CoreFuncStart", "null");
  UiFunnel("CoreFuncEvent", "Downloading", 1, "Download", "DownStart", "null");
  if (!firstClickSent_->exchange(true)) {
    // "yyyy-mm-dd hh:mm:ss" in the maker's time zone.
    std::string t = FuntionImpl::GetChinaTimeText();
    UiEvent("Download", "StartTimeDate", t.substr(0, 10));
    UiEvent("Download", "StartTimeHour", t.size() > 11 ? t.substr(11, 2) : "");
  }
  UiEvent("Other", "SetLanguage", LanguageTelemetryName(language));
  if (pathChanged) UiEvent("Other", "SetPath", "");
}

void MainWndTelemetry::RetryClicked(bool retry) const {
  UiEvent("Download", "8-1.ClickTryAgain", RunLabel(retry));
  UiFunnel("CoreFuncEvent", "Downloading", 0, "Download", "CoreFuncStart", "null");
}

void MainWndTelemetry::AdviceLinkClicked(bool retry) const {
  UiEvent("Download", "8-2.ClickInstallLink", RunLabel(retry));
}

void MainWndTelemetry::ProgramLaunchClicked(bool waitForDelivery) const {
  UiEvent("Download", "7.ProgramLaunch", "", waitForDelivery);
  UiFunnel("CoreFuncEvent", "Starting", 0, "Download", "CoreFuncStart", "null");
  UiFunnel("CoreFuncEvent", "Starting", 1, "Download", "ProgramLaunch", "null");
}

void MainWndTelemetry::DownloadFailed(bool retry) const { UiEvent("Download", "8.DownFail", RunLabel(retry)); }

void MainWndTelemetry::Closed(const std::string& reason, const std::string& phase) const {
  UiEvent("CrashRate", "Close", reason);
  UiFunnel("Keypoint", phase, 0, "CorePublicModule", "Close", "null");
}
