// How an install run ended, and what each ending means to the telemetry and
// to the window: one row per result. The download engine's numbers become a
// result once, where the worker gets them.
#pragma once
#include <string>

#include "ui/EnumMsgType.h"

enum class InstallResult {
  Succeeded,
  // The download engine's results.
  SizeUnknown,
  FileOpenFailed,
  NoThreads,
  NoNetwork,
  Stalled,
  CdnFailing,  // the CDN's "too many requests"
  Incomplete,
  TooManyRedirects,
  TooSmall,
  TooLarge,
  // The worker's own.
  UnusableAddress,  // no address or package name the worker may use
  Stopped,          // the worker could not go on (not started, an exception, no download folder)
  NoSpace,
  CheckFailed,      // the package's signature did not verify
  InstallTimedOut,  // the installer is still running after its time limit
  InstallFailed,    // the installer did not start or ended with an error
};

struct InstallResultRow {
  InstallResult result;
  int engineCode;             // the engine's number ("error<n>"); 0 for the worker's own
  const char* flowError;      // "FlowError" label of the run; "" when the step sends its own
  const char* subFlowError;   // a sub-program's "FlowErrorIsChToolKitErrorCode"
  bool shownAsDownloadFailure;  // the window reports "download failed" for it
  bool hasBox;
  EnumMsgType box;            // the failure box the window shows, when hasBox
};

namespace InstallResults {
const InstallResultRow& Row(InstallResult result);
// The engine's result; a number it never gives counts as Stopped.
InstallResult FromEngine(int code);
// "error<n>", the engine's number as the telemetry sends it.
std::string EngineErrorLabel(InstallResult result);
}  // namespace InstallResults
