// Everything the install worker reports to the analytics side, one call per
// reported moment, with the categories, actions and labels it expects. The
// funnel records of the flow are all ("CoreFuncEvent", function, step,
// "Download", action, "null"); a sub-program's carry the kit mark.
#pragma once
#include <cstdint>
#include <string>

#include "flow/InstallResult.h"

class InstallTelemetry {
 public:
  // retry: the user's retry started this run ("Retry", else "First").
  explicit InstallTelemetry(bool retry) : retry_(retry) {}

  // ---- Preparation
  // The install drive is short even after the switch to another drive.
  void NoInstallSpace(uint64_t freeBytes) const;
  // The download address and the configuration field it came from.
  void AddressChosen(const std::string& field) const;
  // The "_64.exe" address answered 404: the 32-bit package instead.
  void Fell32BitBack() const;
  // The run's result code ("FlowError") when the table has one.
  void Failed(InstallResult result) const;

  // ---- Download
  void DownloadStarted() const;
  void AttemptStarted() const;
  void CdnInfo(const std::string& text) const;
  // One attempt failed: "DownErrorCode" with the engine's number (its
  // "FlowError" goes first, through Failed).
  void AttemptFailed(InstallResult result) const;
  // The first size report of the main package.
  void PackageSize(int64_t bytes) const;
  // After the last attempt; attempts made, seconds since the download began.
  void DownloadFinished(int attempts, int64_t seconds) const;
  void DownloadFigures(const std::string& speed, bool cdn, const std::string& bucket, int64_t seconds) const;
  void DownloadSucceeded(const std::string& field) const;

  // ---- Verification
  void CheckStarted() const;
  void CheckFinished(int64_t seconds) const;
  void ChecksEnded(int64_t seconds) const;
  // "DL013", "DL014", "DL015" of the main package.
  void CheckFailed(const char* code) const;

  // ---- Installation
  void InstallStarted() const;
  void InstallerNotStarted(unsigned long error) const;
  // The installer's exit code, or "unknown" when it could not be read.
  void InstallerExitCode(const std::string& code) const;
  void InstallerFailedEnd() const;
  void InstallerFinished(int64_t seconds) const;
  void InstallFinished(int64_t seconds, const std::string& productVersion) const;

  // ---- Sub-programs of a toolkit product; index is the record's place.
  void SubDownloadStarted(size_t index, const std::string& id) const;
  void SubDownloadFailed(InstallResult result) const;
  void SubDownloadFinished(size_t index, const std::string& id) const;
  void SubCheckStarted(size_t index, const std::string& id) const;
  void SubCheckFailed(const char* code) const;
  void SubCheckFinished(size_t index, const std::string& id) const;
  void SubInstallStarted(size_t index, const std::string& id) const;
  void SubInstallFinished(size_t index, const std::string& id) const;

 private:
  const char* RunLabel() const { return retry_ ? "Retry" : "First"; }
  bool retry_;
};
