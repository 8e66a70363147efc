// One run of the install worker, split by phase over InstallWorker.cpp
// (preparation and download), InstallWorkerSubPrograms.cpp and
// InstallWorkerInstall.cpp (verification and installation). Private to the
// flow library.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "FuntionImpl/Publisher.h"
#include "flow/InstallResult.h"
#include "flow/InstallTelemetry.h"
#include "flow/InstallWorker.h"
#include "flow/SubProgramList.h"
#include "platform/OwnedHandles.h"
#include "platform/Platform.h"

class InstallRun {
 public:
  explicit InstallRun(const InstallWorkerSetup& setup);
  unsigned Run();

  static constexpr unsigned kFailed = static_cast<unsigned>(-1);

  // How one installer process ended.
  enum class InstallerEnd { Finished, TimedOut, NotStarted, WaitFailed };
  struct InstallerOutcome {
    InstallerEnd end = InstallerEnd::NotStarted;
    unsigned long exitCode = 0;
    unsigned long error = 0;  // the system's error when not started
    unsigned timedOutSteps = 0;
  };
  // Starts the installer and waits in steps of 1000 ms; after 241 timed-out
  // steps the next one ends the wait (the process is left running). `held`
  // is the program held open since its checks (OpenFileForCheck), let go
  // once the process started or failed to. onStarted runs once the process
  // exists.
  static InstallerOutcome RunInstaller(const std::wstring& program, const std::wstring& commandLine,
                                       platform::OwnedFile held, const std::function<void()>& onStarted);
  // The outcome as the log names it ("0" finished, "258" timed out, ...).
  static std::string WaitResultText(const InstallerOutcome& outcome);

 private:
  // Steps before the download; false when the run ended (reported).
  bool Prepare();
  void ChooseAddress();
  bool CheckSpace();
  bool PreparePackagePath();
  void Fallback64Bit();
  void DropStalePackage();
  bool FailUnusableAddress(const char* why);
  // Reports the end of the run; false.
  bool Fail(InstallResult result);
  // The download with its retries, the figures, and the end of a run that
  // installs nothing.
  unsigned Download();
  void ReportFigures();
  // Sub-programs of a toolkit product.
  void DownloadSubPrograms();
  void DownloadSubProgram(size_t i, size_t n);
  void CheckSubPrograms();
  void InstallSubPrograms(const std::wstring& dir, const std::wstring& lang, const std::wstring& tracking);
  // Verification and the silent installation.
  unsigned VerifyAndInstall();
  bool Verify();
  // Digest and signature of a program held open for them (`file`).
  struct Checks {
    bool md5 = false, signature = false;
  };
  Checks CheckHeld(platform::FileHandle file, const std::wstring& path, const std::wstring& md5,
                   const std::wstring& md5Extra, const std::wstring& record) const;
  unsigned Install();
  void OpenProductPage();
  void AutoRunRestart();

  int64_t SecondsSince(uint64_t tick) const;
  std::wstring Label(const wchar_t* name) const;
  std::string Narrow(const std::wstring& w) const;

  const InstallWorkerSetup& setup_;
  http::IHttpClientFactory& clients_;
  IInstallObserver& observer_;
  InstallTelemetry telemetry_;
  ProductConfig cfg_;
  std::wstring url_;         // the address downloaded from
  std::string fieldName_;    // the configuration field it came from
  std::wstring downloadDir_; // temporary download folder
  std::wstring productFolder_;
  std::wstring fileName_;
  std::wstring package_;
  bool isCdn_ = false;
  bool installer_ = false;
  uint64_t t0_ = 0, t1_ = 0, figuresTick_ = 0;
  InstallResult result_ = InstallResult::Stopped;
  // The sub-programs of this run (downloaded ones marked), and by index
  // which passed their checks.
  std::vector<SubProgramRecord> subs_;
  std::vector<bool> subVerified_;
  // The publishers the configuration names; the package held from its checks
  // until its installer has started.
  std::vector<FuntionImpl::DistinguishedName> publishers_;
  platform::OwnedFile heldPackage_;
};
