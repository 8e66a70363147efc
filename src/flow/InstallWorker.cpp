// The install worker: preparation (download information, address, space,
// package path) and the download with its retries.
#include "flow/InstallWorker.h"

#include "FuntionImpl/GuardedRun.h"
#include "FuntionImpl/SystemInfo.h"
#include "engine/CDownLoadImpl.h"
#include "flow/DownloadProgress.h"
#include "flow/ExceptionReport.h"
#include "flow/InstallCommandLine.h"
#include "flow/InstallRun.h"
#include "flow/MirrorChoice.h"
#include "flow/PreInstallChecks.h"
#include "http/Proxy.h"
#include "log/Log.h"

namespace {

platform::Os& Os() { return platform::os(); }

class NoLabels final : public ILabelSource {
 public:
  bool LabelText(const std::wstring&, std::wstring&) const override { return false; }
};

const ILabelSource& LabelsOf(const InstallWorkerSetup& s) {
  static const NoLabels none;
  return s.labels ? *s.labels : none;
}

constexpr int kAttempts = 4;

}  // namespace

namespace InstallWorker {

unsigned Run(const InstallWorkerSetup& setup) {
  unsigned end = InstallRun::kFailed;
  if (!FuntionImpl::RunGuarded("Install worker", [&] { end = InstallRun(setup).Run(); }))
    setup.observer->OnFailed(InstallResult::Stopped);
  return end;
}

void Start(InstallWorkerSetup setup) {
  std::shared_ptr<IInstallObserver> observer = setup.observer;
  if (!FuntionImpl::StartCounted("Install worker", [s = std::move(setup)] { Run(s); }))
    observer->OnFailed(InstallResult::Stopped);
}

}  // namespace InstallWorker

InstallRun::InstallRun(const InstallWorkerSetup& setup)
    : setup_(setup),
      clients_(setup.clients ? *setup.clients : http::DefaultClientFactory()),
      observer_(*setup.observer),
      telemetry_(setup.state->retry) {}

unsigned InstallRun::Run() {
  if (!Prepare()) return kFailed;
  unsigned end = Download();
  if (end != 0 || !installer_) return end;
  return VerifyAndInstall();
}

// ---- Small helpers ------------------------------------------------------------------

int64_t InstallRun::SecondsSince(uint64_t tick) const {
  uint64_t now = Os().TickCount();
  return now > tick ? static_cast<int64_t>((now - tick) / 1000) : 0;
}

std::wstring InstallRun::Label(const wchar_t* name) const {
  std::wstring text;
  LabelsOf(setup_).LabelText(name, text);
  return text;
}

std::string InstallRun::Narrow(const std::wstring& w) const { return Os().WideToAnsi(w); }

// ---- Preparation ------------------------------------------------------------------

bool InstallRun::Prepare() {
  t0_ = Os().TickCount();
  setup_.state->subProgramCounter = 0;
  // A retry counts its bytes afresh: the speed and "PackageSize" are this run's.
  setup_.state->totalBytes = 0;

  // The window moves the progress while the service is asked.
  RefreshHooks hooks;
  IInstallObserver* observer = &observer_;
  hooks.beforeRequest = [observer] { observer->OnPreparing(true); };
  hooks.afterRequest = [observer] { observer->OnPreparing(false); };
  setup_.config->RefreshForInstall(LabelsOf(setup_), hooks);
  cfg_ = *setup_.config->Snapshot();

  ChooseAddress();
  if (!CheckSpace()) return false;

  const std::wstring temp = Os().SpecialFolderPath(platform::SpecialFolder::Temp);
  productFolder_ = InstallText::ProductFolderName(Label(L"Extra_download_url"), Label(L"Software_name"));
  downloadDir_ = platform::JoinPath(temp, productFolder_);
  if (temp.empty() || productFolder_.empty() || !Os().CreateDirectories(downloadDir_)) {
    LOG(INFO) << " Create download folder failed: " << Narrow(downloadDir_);
    // Not silently: the window would stay on the running page for good.
    return Fail(InstallResult::Stopped);
  }

  Fallback64Bit();
  setup_.state->SetCurrentDownloadUrl(url_);
  if (url_.size() < 5) return FailUnusableAddress("address too short");

  t1_ = Os().TickCount();
  LOG(INFO) << " Speed-Test Totally Take " << (t1_ - t0_) << " ms";
  http::LogIEProxyConfig();

  if (!PreparePackagePath()) return false;
  DropStalePackage();

  if (setup_.animationFrames > 1) observer_.OnSlides(true);
  if (cfg_.LoadSource == 2) {
    LOG(INFO) << " Configure Load From File, clearAppData Before Download! ";
    const std::wstring copy = platform::JoinPath(downloadDir_, fileName_);
    for (const std::wstring& f : {copy, copy + L".xml"})
      if (Os().FileExists(f)) Os().RemoveFile(f);
  }
  return true;
}

void InstallRun::ChooseAddress() {
  url_ = checkRemotePath(cfg_.MirrorUrls, 1, cfg_.Software_name);
  fieldName_ = CConfigure::GetDownloadHostKind(url_) == 12 ? "Extra_download_url" : "Download_url";
  telemetry_.AddressChosen(fieldName_);
}

bool InstallRun::CheckSpace() {
  if (cfg_.LoadState != 2 || cfg_.LoadSource != 1) return true;
  PreInstallChecks checks(setup_.config, setup_.host, setup_.installFolderName);
  uint64_t freeBytes = 0;
  int r = checks.EnoughFreeSpace(true, cfg_.Filesize, freeBytes);
  if (r == -2) {
    // The installation drive is short: try the fixed drive with most room.
    checks.SwitchInstallDrive();
    r = checks.EnoughFreeSpace(true, cfg_.Filesize, freeBytes);
    if (r == -2) telemetry_.NoInstallSpace(freeBytes);
  }
  if (r == -1 || r == -2) return Fail(InstallResult::NoSpace);
  return true;
}

void InstallRun::Fallback64Bit() {
  if (!FuntionImpl::Is64BitSystem() || url_.find(L"_64.exe") == std::wstring::npos) return;
  std::unique_ptr<http::IHttpClient> client = clients_.create();
  if (!client || !client->hasHandle()) {
    LOG(INFO) << " Curl object create failed!";
    return;
  }
  http::ResponseHead head;
  long status = 0;
  CURLcode code = client->GetHeader(Narrow(url_), head, status);
  LOG(INFO) << " Curl check 64Bit link, http code is " << status << ", curl code is " << code;
  if (status != 404) return;
  std::wstring next = Label(L"Download_url");
  if (ConfigLabels::IsCdnUrl(next)) {
    next = Label(L"Extra_download_url");
    if (ConfigLabels::IsCdnUrl(next)) return;
  }
  if (next == url_) return;
  url_ = next;
  LOG(INFO) << " UrlUsed change to: " << Narrow(url_);
  telemetry_.Fell32BitBack();
}

bool InstallRun::FailUnusableAddress(const char* why) {
  LOG(INFO) << " Download address unusable: " << why;
  // A retry asks the service again.
  setup_.config->SetLoadState(1);
  telemetry_.Failed(InstallResult::UnusableAddress);
  return Fail(InstallResult::UnusableAddress);
}

bool InstallRun::Fail(InstallResult result) {
  observer_.OnFailed(result);
  return false;
}

bool InstallRun::PreparePackagePath() {
  installer_ = InstallText::EndsWith(cfg_.Extra_download_url, L".exe");
  fileName_ = InstallText::PackageFileName(Label(L"Extra_download_url"), cfg_.Software_version);
  if (fileName_.empty()) {
    LOG(INFO) << " Package name refused, version: " << Narrow(cfg_.Software_version);
    return FailUnusableAddress("package name");
  }
  std::wstring folder = downloadDir_;
  if (!installer_) {
    // The window made this folder when it was created; make sure it is there.
    folder = platform::JoinPath(Os().SpecialFolderPath(platform::SpecialFolder::Desktop), productFolder_);
    Os().CreateDirectories(folder);
  }
  package_ = platform::JoinPath(folder, fileName_);
  setup_.state->SetPackagePath(package_);
  return true;
}

void InstallRun::DropStalePackage() {
  const std::wstring record = package_ + L".db";
  std::string text;
  if (!Os().FileExists(record) || !Os().ReadFile(record, text)) return;
  std::string line = text.substr(0, text.find_first_of("\r\n")).substr(0, 260);
  if (!InstallText::RecordMatches(Os().AnsiToWide(line), cfg_.Software_version, cfg_.Md5, cfg_.Md5_extra)) {
    for (const std::wstring& f : {package_, package_ + L".xml"})
      if (Os().FileExists(f)) Os().RemoveFile(f);
  }
  Os().RemoveFile(record);
}

// ---- Download -------------------------------------------------------------------

unsigned InstallRun::Download() {
  isCdn_ = ConfigLabels::IsCdnUrl(url_);
  telemetry_.DownloadStarted();

  DownloadProgress progress(setup_.state, setup_.observer, setup_.toolkit);
  CDownLoadImpl engine(&progress, setup_.threadCount, &clients_);
  // A server cannot announce more than the configuration says the package is.
  engine.setSizeLimit(cfg_.Filesize);
  int attempt = 1;
  for (;; ++attempt) {
    telemetry_.AttemptStarted();
    std::string cdnInfo;
    result_ = InstallResults::FromEngine(engine.SuperDownloadFile(url_, package_, cdnInfo, true, true));
    if (!cdnInfo.empty()) telemetry_.CdnInfo(cdnInfo);
    if (result_ != InstallResult::Succeeded) {
      telemetry_.Failed(result_);
      if (result_ == InstallResult::TooManyRedirects)
        ExceptionReport::Send(clients_, *setup_.config, "Url_Too_Many_Redirects", url_,
                              " Send error report1, response is ");
      telemetry_.AttemptFailed(result_);
    }
    if (result_ == InstallResult::Succeeded) {
      // The comma of this line has always been GBK's full-width comma.
      if (attempt > 1) LOG(INFO) << "Success\xA3\xACThe Retry Frequency is: " << attempt - 1;
      break;
    }
    if (attempt == kAttempts) {
      LOG(INFO) << " The Retry Frequency is: " << kAttempts - 1;
      break;
    }
    LOG(INFO) << " The Retry Frequency is: " << attempt - 1;
  }

  telemetry_.DownloadFinished(attempt, SecondsSince(t1_));

  if (setup_.toolkit) DownloadSubPrograms();
  ReportFigures();

  if (result_ != InstallResult::Succeeded) {
    Fail(result_);
    return kFailed;
  }
  telemetry_.DownloadSucceeded(fieldName_);
  if (!installer_) {
    observer_.OnFinished(IInstallObserver::Finish::DownloadedOnly);
    LOG(INFO) << "APP DownloaderSucceed";
    return 1;
  }
  return 0;
}

void InstallRun::ReportFigures() {
  figuresTick_ = Os().TickCount();
  const uint64_t ms = figuresTick_ > t1_ ? figuresTick_ - t1_ : 0;
  const int64_t seconds = static_cast<int64_t>(ms / 1000);
  const std::string bucket = InstallText::DownloadTimeBucket(seconds);
  LOG(INFO) << " Download Totally Takes about " << bucket << " And Send To Server";
  telemetry_.DownloadFigures(InstallText::DownloadSpeedText(setup_.state->totalBytes, ms), isCdn_, bucket, seconds);
}
