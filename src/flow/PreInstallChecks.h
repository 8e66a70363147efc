// The checks before an installation: the product is not running, the
// installation folder is usable (space, creatable, no pending reboot-time
// rename inside it), a conflicting service is stopped. The install worker
// uses the space check and the drive switch again.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "CConfigure/CConfigure.h"
#include "flow/IInstallHost.h"

class PreInstallChecks {
 public:
  // installFolderName: Software_name as read when the window was created.
  PreInstallChecks(std::shared_ptr<CConfigure> config, std::shared_ptr<IInstallHost> host,
                   std::wstring installFolderName);

  // True when installation may go on: no process runs the product's
  // executable (exact, case-sensitive name). UI thread (it shows a box).
  bool AppIsRunning();
  // The installation folder from the edit box ("/" made "\", no trailing
  // separator, the product folder appended when missing).
  std::wstring GetInstallDir();
  // 1 enough; -1 the temporary folder's drive is too small; -2 the
  // installation drive is too small. freeBytes gets the short drive's free bytes.
  int EnoughFreeSpace(bool checkTempDrive, int64_t size, uint64_t& freeBytes);
  // Moves the edit box's folder to the fixed drive with most free space; 1.
  int SwitchInstallDrive();
  // True when the folder is ready and the running page is shown. UI thread.
  bool CheckInstallPath();
  // True when a pending reboot-time file operation names a path inside folder.
  static bool IsPathPendingRename(const std::wstring& folder);
  // 0 stopped or nothing to do, 1 no service manager, 2 no such service,
  // 3 status not readable, 4 stop refused, 5 still running after 30 s (the
  // wait is bounded: it blocks the UI thread). The caller goes on regardless.
  int StopConflictingService();

 private:
  std::shared_ptr<CConfigure> config_;
  std::shared_ptr<IInstallHost> host_;
  std::wstring installFolderName_;
};
