#include "flow/PreInstallChecks.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "FuntionImpl/SystemInfo.h"
#include "log/Events.h"
#include "log/Log.h"
#include "platform/Platform.h"

using platform::os;

namespace {

// A service of a sibling product that holds files the installer replaces.
const wchar_t* ConflictingServiceFor(int softwareId) {
  switch (softwareId) {
    case 6: return L"MarlowgateWinAdService";
    case 105: return L"MarlowgateDataRecoveryService";
    default: return nullptr;
  }
}

// Pauses between status queries of a stopping service, and the whole wait:
// the UI thread is blocked meanwhile, so neither may be unbounded.
constexpr unsigned kMinServicePauseMs = 100;
constexpr unsigned kMaxServicePauseMs = 10000;
constexpr uint64_t kServiceStopLimitMs = 30000;

// "C:" for a path with a drive letter, in upper case: "c:\Temp" and
// "C:\Lumevia" share a drive. A path without one (POSIX) lives in the one
// tree under "/".
std::wstring DriveOf(const std::wstring& path) {
  if (path.size() >= 2 && path[1] == L':' && std::iswalpha(path[0]))
    return {static_cast<wchar_t>(std::towupper(path[0])), L':'};
  return L"/";
}

// Free bytes of a drive; false when the query failed.
bool DriveFree(const std::wstring& drive, uint64_t& freeBytes) {
  std::wstring root = drive == L"/" ? drive : drive + L"\\";
  return os().DiskFreeForUser(root, freeBytes);
}

std::wstring LowerPath(std::wstring s) {
  for (wchar_t& c : s) {
    if (c == L'/') c = L'\\';
    c = static_cast<wchar_t>(std::towlower(c));
  }
  return s;
}

// A pending operation's path as the session manager keeps it: "!" marks a
// replacing rename, "\??\" the native object prefix.
std::wstring PlainPendingPath(const std::wstring& entry) {
  size_t start = 0;
  if (entry.compare(start, 1, L"!") == 0) start = 1;
  if (entry.compare(start, 4, L"\\??\\") == 0) start += 4;
  return entry.substr(start);
}

}  // namespace

PreInstallChecks::PreInstallChecks(std::shared_ptr<CConfigure> config, std::shared_ptr<IInstallHost> host,
                                   std::wstring installFolderName)
    : config_(std::move(config)), host_(std::move(host)), installFolderName_(std::move(installFolderName)) {}

bool PreInstallChecks::AppIsRunning() {
  std::vector<platform::ProcessEntry> processes = os().ProcessSnapshot();
  if (processes.empty()) return false;  // the list could not be read
  const std::wstring processName = config_->Snapshot()->Process_name;
  for (const platform::ProcessEntry& p : processes) {
    if (p.exeName != processName) continue;
    LOG(INFO) << os().WideToAnsi(p.exeName) << "," << os().WideToAnsi(processName) << "ID:" << p.pid;
    host_->ShowMessageBox(MsgAppExist);
    return false;
  }
  return true;
}

std::wstring PreInstallChecks::GetInstallDir() {
  std::wstring dir = host_->InstallFolderText();
  std::replace(dir.begin(), dir.end(), L'/', L'\\');
  // "D:\Apps\" must not give "D:\Apps\\Lumevia". "D:\" keeps its separator:
  // without it the path means the drive's current folder.
  while (dir.size() > 1 && dir.back() == L'\\' && !(dir.size() == 3 && dir[1] == L':')) dir.pop_back();
  if (installFolderName_.empty() || dir.find(installFolderName_) != std::wstring::npos) return dir;
  if (dir.empty() || dir.back() != L'\\') dir += L'\\';
  return dir + installFolderName_;
}

int PreInstallChecks::EnoughFreeSpace(bool checkTempDrive, int64_t size, uint64_t& freeBytes) {
  if (size <= 0) return 1;
  const uint64_t need = static_cast<uint64_t>(size);
  int factor = 2;
  if (checkTempDrive) {
    const std::wstring tempDrive = DriveOf(os().SpecialFolderPath(platform::SpecialFolder::Temp));
    uint64_t free = 0;
    if (DriveFree(tempDrive, free) && free <= need) {
      freeBytes = free;
      LOG(INFO) << " PC space not enough1: " << free << "<=" << size;
      events().event("Other", "FlowError", "DL008");
      events().event("Other", "NoEnoughSpace", "download_" + std::to_string(free));
      return -1;
    }
    // The package and the installed product then share one drive.
    if (DriveOf(GetInstallDir()) == tempDrive) factor = 3;
  }
  uint64_t free = 0;
  if (DriveFree(DriveOf(GetInstallDir()), free) && free <= need * factor) {
    freeBytes = free;
    LOG(INFO) << " PC space not enough2: " << free << "<=" << need * factor;
    return -2;
  }
  return 1;
}

int PreInstallChecks::SwitchInstallDrive() {
  std::wstring path = host_->InstallFolderText();
  FuntionImpl::PickInstallDrive(path);
  host_->SetInstallFolderText(path);
  return 1;
}

bool PreInstallChecks::CheckInstallPath() {
  const std::shared_ptr<const ProductConfig> record = config_->Snapshot();
  const ProductConfig& cfg = *record;
  if (cfg.LoadState == 2 && cfg.LoadSource == 1) {
    uint64_t free = 0;
    int enough = EnoughFreeSpace(true, cfg.Filesize, free);
    if (enough == -2) {
      SwitchInstallDrive();
      enough = EnoughFreeSpace(true, cfg.Filesize, free);
      if (enough == -2) {
        events().event("Other", "FlowError", "DL008");
        events().event("Other", "NoEnoughSpace", "install_" + std::to_string(free));
      }
    }
    if (enough != 1) {
      host_->ShowMessageBox(MsgNoEnoughSpace);
      return false;
    }
  }

  const std::wstring dir = GetInstallDir();
  os().CreateDirectories(dir);
  // A file of that name is as unusable as a folder that could not be made.
  if (!os().IsDirectory(dir)) {
    events().event("Other", "FlowError", "DL009");
    host_->ShowMessageBox(MsgPathError);
    return false;
  }
  events().funnelEx("Download", "DownloadEnvReady", "", "");
  // Only reported: the installer itself copes with the reboot-time rename.
  if (IsPathPendingRename(dir)) events().event("Other", "ProcessNeedRestartSign", "");
  host_->ShowRunningPage();
  return true;
}

bool PreInstallChecks::IsPathPendingRename(const std::wstring& folder) {
  std::vector<std::wstring> operations;
  if (!os().RegReadMultiString(platform::RegRoot::LocalMachine,
                               L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                               L"PendingFileRenameOperations", operations))
    return false;
  std::wstring inside = LowerPath(folder);
  while (!inside.empty() && inside.back() == L'\\') inside.pop_back();
  if (inside.empty()) return false;
  inside += L'\\';
  // Source and target alternate (an empty target deletes); either names a path.
  for (const std::wstring& entry : operations) {
    if (LowerPath(PlainPendingPath(entry)).find(inside) != std::wstring::npos) return true;
  }
  return false;
}

int PreInstallChecks::StopConflictingService() {
  const wchar_t* name = ConflictingServiceFor(config_->Snapshot()->Software_id);
  if (!name) return 0;
  platform::ServiceState state = os().QueryService(name);
  if (state.step != 0) return state.step;
  if (!state.running) return 0;
  if (!os().StopService(name)) return 4;

  const uint64_t start = os().TickCount();
  uint64_t paused = 0;
  for (;;) {
    unsigned pause = std::clamp(state.waitHintMs, kMinServicePauseMs, kMaxServicePauseMs);
    pause = static_cast<unsigned>(std::min<uint64_t>(pause, kServiceStopLimitMs - paused));
    os().SleepMs(pause);
    paused += pause;
    state = os().QueryService(name);
    if (state.step != 0) return 3;
    if (!state.running) return 0;
    // Either clock may run ahead: the pauses are scaled in tests, a hung
    // query is not counted in them.
    if (paused >= kServiceStopLimitMs || os().TickCount() - start >= kServiceStopLimitMs) {
      LOG(INFO) << " Service " << os().WideToAnsi(name) << " did not stop within "
                << kServiceStopLimitMs / 1000 << " s";
      return 5;
    }
  }
}
