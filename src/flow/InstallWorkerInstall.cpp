// The install worker after a successful download of an installer package:
// digest and signature, the silent installation with its time limit, the
// product page, the language hand-over and the AutoRun restart.
#include <cmath>
#include <cstdio>
#include <utility>

#include "FuntionImpl/ProcessLaunch.h"
#include "FuntionImpl/RunOptions.h"
#include "FuntionImpl/SafeName.h"
#include "engine/CDownLoadImpl.h"
#include "flow/ExceptionReport.h"
#include "flow/InstallCommandLine.h"
#include "flow/InstallRun.h"
#include "flow/PreInstallChecks.h"
#include "language/Language.h"
#include "log/Log.h"
#include "platform/UniqueHandle.h"
#include "platform/Utf.h"

namespace {

platform::Os& Os() { return platform::os(); }

struct OwnedProcessTraits {
  using Type = platform::ProcessHandle;
  static Type Invalid() { return 0; }
  static void Close(Type h) { platform::os().CloseProcess(h); }
};
using OwnedProcess = platform::UniqueHandle<OwnedProcessTraits>;

constexpr unsigned kWaitStepMs = 1000;
constexpr unsigned kMaxTimedOutSteps = 240;  // one more step after these ends the wait

const wchar_t kReplaceText[] =
    L"程序包下载已完成且通过了校验，请手动替换程序包再继续。程序包路径是：\r\n";

}  // namespace

InstallRun::InstallerOutcome InstallRun::RunInstaller(const std::wstring& program, const std::wstring& commandLine,
                                                      platform::OwnedFile held,
                                                      const std::function<void()>& onStarted) {
  InstallerOutcome out;
  const platform::ProcessStart start = Os().StartProcess(program, commandLine, L"");
  // Nobody could change the program between its checks and here; the
  // started process holds its own image from now on.
  held.reset();
  OwnedProcess process(start.handle);
  if (!process) {
    out.end = InstallerEnd::NotStarted;
    out.error = start.error;
    return out;
  }
  onStarted();
  for (;;) {
    const platform::WaitResult w = Os().WaitProcess(process.get(), kWaitStepMs);
    if (w == platform::WaitResult::Signalled) {
      out.end = Os().ProcessExitCode(process.get(), out.exitCode) ? InstallerEnd::Finished : InstallerEnd::WaitFailed;
      return out;
    }
    if (w == platform::WaitResult::Failed) {
      out.end = InstallerEnd::WaitFailed;
      return out;
    }
    if (out.timedOutSteps > kMaxTimedOutSteps) {
      // Left running: only its handle goes.
      out.end = InstallerEnd::TimedOut;
      return out;
    }
    ++out.timedOutSteps;
  }
}

std::string InstallRun::WaitResultText(const InstallerOutcome& o) {
  switch (o.end) {
    case InstallerEnd::Finished: return "0, exit code " + std::to_string(o.exitCode);
    case InstallerEnd::TimedOut: return "258";
    case InstallerEnd::NotStarted: return "not started, error " + std::to_string(o.error);
    case InstallerEnd::WaitFailed: break;
  }
  return "wait failed";
}

unsigned InstallRun::VerifyAndInstall() { return Verify() ? Install() : kFailed; }

bool InstallRun::Verify() {
  const uint64_t started = Os().TickCount();
  setup_.state->phase = 0;
  observer_.OnVerifying();
  telemetry_.CheckStarted();
  std::vector<std::wstring> refused;
  publishers_ = FuntionImpl::ParsePublishers(cfg_.Trusted_publisher, &refused);
  for (const std::wstring& name : refused) LOG(INFO) << " Trusted publisher not understood: " << Narrow(name);
  if (publishers_.empty()) LOG(INFO) << " No trusted publisher configured: no signature passes";
  // One open file from the checks to the start: others may read it, not change it.
  heldPackage_ = platform::OwnedFile(Os().OpenFileForCheck(package_));
  if (!heldPackage_) LOG(INFO) << " Package could not be held for its checks: " << Narrow(package_);
  const Checks checks = CheckHeld(heldPackage_.get(), package_, cfg_.Md5, cfg_.Md5_extra, cfg_.Software_version);
  // The full label pass has no digest worth comparing.
  const bool md5 = cfg_.LoadSource == 2 || checks.md5;
  const bool signature = checks.signature;
  telemetry_.CheckFinished(SecondsSince(started));
  CheckSubPrograms();
  telemetry_.ChecksEnded(SecondsSince(started));

  if (!md5 || !signature) {
    const char* code = InstallText::CheckFailureCode(md5, signature);
    const char* report = !md5 && !signature ? "MD5_Hash_Check_Fail_Cfg" : !md5 ? "MD5_Check_Fail_Cfg" : "Hash_Check_Fail_Cfg";
    telemetry_.CheckFailed(code);
    ExceptionReport::Send(clients_, *setup_.config, report + std::to_string(cfg_.LoadSource), url_,
                          " Send error report, response is ");
  }
  // The signature decides: a signed package with another digest is installed.
  if (!signature) {
    heldPackage_.reset();
    return Fail(InstallResult::CheckFailed);
  }
  return true;
}

InstallRun::Checks InstallRun::CheckHeld(platform::FileHandle file, const std::wstring& path, const std::wstring& md5,
                                         const std::wstring& md5Extra, const std::wstring& record) const {
  Checks c;
  c.md5 = CDownLoadImpl::checkMD5(file, path, md5, md5Extra, record) == 1;
  LOG(INFO) << " after md5 ";
  c.signature = FuntionImpl::VerifyEmbeddedSignature(file, path, publishers_);
  return c;
}

unsigned InstallRun::Install() {
  InstallState& state = *setup_.state;
  IInstallHost& host = *setup_.host;
  state.phase = 1;
  observer_.OnSlides(false);
  if (FuntionImpl::IsReplacePackage()) {
    // A tester swaps the package while this box is up. Nobody is left to do
    // that once the window is gone.
    if (platform::WindowHandle owner = host.Window()) {
      heldPackage_.reset();
      Os().SystemMessageBox(owner, kReplaceText + package_, L"提示");
      // What runs is what was checked: a swapped package must be signed too.
      heldPackage_ = platform::OwnedFile(Os().OpenFileForCheck(package_));
      if (!FuntionImpl::VerifyEmbeddedSignature(heldPackage_.get(), package_, publishers_)) {
        heldPackage_.reset();
        telemetry_.CheckFailed(InstallText::CheckFailureCode(true, false));
        Fail(InstallResult::CheckFailed);
        return kFailed;
      }
    }
  }

  const uint64_t started = Os().TickCount();
  const std::wstring dir = PreInstallChecks(setup_.config, setup_.host, setup_.installFolderName).GetInstallDir();
  const std::wstring lang = Os().AnsiToWide(InstallerLanguageText(setup_.language, cfg_.Downloader_id));
  // The name goes into the quoted /LOG= value: a service name that is not a
  // plain file name gives way to the download's product folder.
  const std::wstring logName = InstallText::InstallLogName(
      FuntionImpl::IsSafeName(cfg_.Software_name) ? cfg_.Software_name : productFolder_,
      platform::LocalTime(static_cast<std::time_t>(Os().UnixTimeMs() / 1000)));
  const std::wstring logPath = platform::JoinPath(Os().SpecialFolderPath(platform::SpecialFolder::Temp), logName);
  const std::wstring tracking = InstallText::TrackingValue(setup_.addTracking, setup_.stubPath);
  const std::wstring line = InstallText::InstallerCommandLine(dir, lang, logPath, tracking);
  LOG(INFO) << " [Download File Path]: " << Narrow(package_);
  LOG(INFO) << " [Start Install CmdLine]: " << Narrow(line);
  telemetry_.InstallStarted();

  const InstallerOutcome out = RunInstaller(package_, line, std::move(heldPackage_), [&] {
    state.phase = 1;
    state.installerFinished = false;
    observer_.OnInstalling();
  });
  if (out.end != InstallerEnd::Finished || out.exitCode != 0) {
    const InstallResult result =
        out.end == InstallerEnd::TimedOut ? InstallResult::InstallTimedOut : InstallResult::InstallFailed;
    switch (out.end) {
      case InstallerEnd::TimedOut:
        telemetry_.Failed(result);
        break;
      case InstallerEnd::NotStarted:
        LOG(INFO) << " Install start failed, error " << out.error;
        telemetry_.InstallerNotStarted(out.error);
        break;
      case InstallerEnd::Finished:
        LOG(INFO) << " Install failed, exit code " << out.exitCode;
        telemetry_.InstallerExitCode(std::to_string(out.exitCode));
        break;
      case InstallerEnd::WaitFailed:
        LOG(INFO) << " Install wait failed";
        telemetry_.InstallerExitCode("unknown");
        break;
    }
    telemetry_.InstallerFailedEnd();
    if (out.end == InstallerEnd::TimedOut) LOG(INFO) << " Cmd nWaitSeconds timed out: " << out.timedOutSteps;
    Fail(result);
    return kFailed;
  }

  telemetry_.InstallerFinished(SecondsSince(started));
  InstallSubPrograms(dir, lang, tracking);
  state.installerFinished = true;
  LOG(INFO) << " Cmd Finished, nWaitSeconds: " << out.timedOutSteps;
  telemetry_.InstallFinished(SecondsSince(started), platform::Utf8FromWide(cfg_.Software_version));

  OpenProductPage();
  WriteInstallLanguage(cfg_.Downloader_id, cfg_.Software_name, NormalizeLanguage(setup_.language));
  observer_.OnFinished(IInstallObserver::Finish::Installed);

  const uint64_t now = Os().TickCount();
  const double minutes = std::floor((now > figuresTick_ ? now - figuresTick_ : 0) / 60000.0 * 100) / 100;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", minutes);
  LOG(INFO) << " Install Totally Take " << text << " minutes And Send To Server";

  if (FuntionImpl::IsAutoRun()) AutoRunRestart();
  if (cfg_.NeedStart_flag == 1) observer_.OnStartRequested();
  return 0;
}

void InstallRun::OpenProductPage() {
  const int language = setup_.languageOverride != -1 ? setup_.languageOverride : setup_.language;
  const std::wstring page = setup_.host->ControlText(ProductUrlKey(language));
  if (page.empty()) return;
  if (!FuntionImpl::IsWebLink(page)) {
    LOG(INFO) << " Url refused: " << Narrow(page);
    return;
  }
  LOG(INFO) << " Open Url: " << Narrow(page);
  Os().ShellExec(L"open", page, L"");
}

void InstallRun::AutoRunRestart() {
  // An unattended test loop: the stub starts itself again and this copy ends.
  Os().SleepMs(2000);
  LOG(INFO) << " Force Exit 1";
  Os().RemoveFile(package_);
  LOG(INFO) << " Force Exit 2";
  Os().RemoveFile(package_ + L".xml");
  LOG(INFO) << " Force Exit 3";
  Os().RemoveFile(package_ + L".db");
  LOG(INFO) << " Force Exit 4";
  setup_.host->ReleaseSingleInstance();
  LOG(INFO) << " Force Exit 5";
  const std::wstring self = setup_.stubPath;
  LOG(INFO) << " Force Exit 6";
  const platform::ShellResult r = Os().ShellExec(L"open", self, L"");
  LOG(INFO) << " Force Exit 7 error code = " << r.code << ", " << r.lastError;
  setup_.host->CloseWindow(0);
  LOG(INFO) << " Force Exit 8";
}
