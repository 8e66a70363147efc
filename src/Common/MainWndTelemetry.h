// Everything the main window reports, one call per reported moment, with the
// categories, actions and labels the analytics side expects. The records go
// through the windows' event sink (ui/UiTelemetry.h), which start-up joins
// to the telemetry queue and tests replace.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

class MainWndTelemetry {
 public:
  // The first install click of the process sends the start date and hour;
  // the flag that remembers it is the process's own unless one is given.
  explicit MainWndTelemetry(std::atomic<bool>* firstClickSent = nullptr);

  // The window was created.
  void Created() const;
  // The machine's system, interface language and screen, once per machine.
  void MachineFacts(const std::string& osName, const std::string& uiLanguage, int width, int height) const;
  // The stub was launched in a country it may run in.
  void Launched() const;
  // Milliseconds from the start of the window's creation until it is ready.
  void Ready(uint64_t ms) const;

  // The install button: the download starts, then the first-click time, the
  // language and whether the user changed the folder.
  void InstallClicked(int language, bool pathChanged) const;
  // The retry button; `retry` is whether an earlier run was a retry already.
  void RetryClicked(bool retry) const;
  // The manual-download advice link of the failure view.
  void AdviceLinkClicked(bool retry) const;
  // The start button of an installed product; the launch event waits for
  // delivery when the program is started without the waiting window.
  void ProgramLaunchClicked(bool waitForDelivery) const;

  // The download failed (the failure box was shown).
  void DownloadFailed(bool retry) const;
  // The window closes, with the reason and its funnel phase.
  void Closed(const std::string& reason, const std::string& phase) const;

 private:
  std::atomic<bool>* firstClickSent_;
};
