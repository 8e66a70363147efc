#include "Common/InstallPath.h"

#include <algorithm>
#include <cwctype>

#include "Common/MainWndRules.h"
#include "platform/Platform.h"

namespace InstallPath {

const wchar_t kProductName[] = L"Lumevia";

namespace {
bool EndsWith(const std::wstring& s, const std::wstring& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::wstring Lower(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

void DropTrailingSeparators(std::wstring& path) {
  // "C:\" keeps its separator: without it the path means the drive's
  // current folder.
  while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/') &&
         !(path.size() == 3 && path[1] == L':'))
    path.pop_back();
}
}  // namespace

bool IsInstallerPackage(const std::wstring& url) { return EndsWith(url, L".exe"); }

std::wstring DefaultInstallFolder(const std::wstring& programFiles) {
  return platform::JoinPath(programFiles, kProductName);
}

std::wstring ProductFolderName(const std::wstring& url, const std::wstring& softwareName) {
  size_t slash = url.rfind(L'/');
  if (slash != std::wstring::npos) {
    size_t dot = url.find(L'.', slash + 1);
    if (dot != std::wstring::npos && dot > slash + 1) return url.substr(slash + 1, dot - slash - 1);
  }
  return softwareName;
}

std::wstring DownloadFolder(const std::wstring& tempFolder, const std::wstring& desktopFolder,
                            const std::wstring& url, const std::wstring& softwareName) {
  return platform::JoinPath(IsInstallerPackage(url) ? tempFolder : desktopFolder,
                            ProductFolderName(url, softwareName));
}

std::wstring PackageFileName(const std::wstring& url, const std::wstring& version) {
  size_t slash = url.rfind(L'/');
  std::wstring name = slash == std::wstring::npos ? url : url.substr(slash + 1);
  size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos) name.resize(dot);
  return name + L"_" + version + (IsInstallerPackage(url) ? L".exe" : L".apk");
}

std::wstring LogFileName(const std::wstring& packageFileName, const std::wstring& timeStamp) {
  // The version after the last "_" becomes the time stamp.
  std::wstring base = packageFileName.size() >= 4 ? packageFileName.substr(0, packageFileName.size() - 4)
                                                  : packageFileName;
  size_t underscore = base.rfind(L'_');
  if (underscore != std::wstring::npos) base.resize(underscore + 1);
  else base += L"_";
  return base + timeStamp + L".log";
}

std::wstring ExplorerSelectArgs(const std::wstring& packagePath) {
  // Built, not formatted into a buffer: a long path must not be cut.
  return L"/select, " + packagePath;
}

std::wstring WithProductFolder(const std::wstring& picked) {
  if (picked.find(kProductName) != std::wstring::npos) return picked;
  std::wstring folder = picked;
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  return folder + kProductName;
}

std::wstring InstallDir(const std::wstring& editText, const std::wstring& installFolderName) {
  std::wstring dir = editText;
  std::replace(dir.begin(), dir.end(), L'/', L'\\');
  DropTrailingSeparators(dir);
  if (!installFolderName.empty() && dir.find(installFolderName) == std::wstring::npos) {
    if (dir.empty() || dir.back() != L'\\') dir += L'\\';
    dir += installFolderName;
  }
  return dir;
}

std::wstring DriveOf(const std::wstring& path) { return path.substr(0, 2); }

bool SameDrive(const std::wstring& a, const std::wstring& b) { return Lower(DriveOf(a)) == Lower(DriveOf(b)); }

bool IsPendingRenameInside(const std::vector<std::wstring>& operations, const std::wstring& folder) {
  std::wstring inside = folder;
  DropTrailingSeparators(inside);
  if (inside.empty()) return false;
  // Windows paths: the letter case does not tell two folders apart.
  inside = Lower(inside) + L"\\";
  return std::any_of(operations.begin(), operations.end(),
                     [&](const std::wstring& op) { return Lower(op).find(inside) != std::wstring::npos; });
}

bool CreateFolder(const std::wstring& folder) {
  platform::Os& os = platform::os();
  os.CreateDirectories(folder);
  return os.IsDirectory(folder);
}

SpaceCheck CheckFreeSpace(int64_t size, bool checkTempDrive, const std::wstring& tempFolder, DriveFree tempFree,
                          const std::wstring& installDir, DriveFree installFree) {
  SpaceCheck check;
  if (size <= 0) return check;
  const uint64_t bytes = static_cast<uint64_t>(size);
  if (checkTempDrive && tempFree.known && tempFree.bytes <= bytes) {
    check.verdict = kTempDriveTooSmall;
    check.freeBytes = tempFree.bytes;
    check.needed = bytes;
    return check;
  }
  const uint64_t factor = checkTempDrive && SameDrive(installDir, tempFolder) ? 3 : 2;
  if (installFree.known && installFree.bytes <= bytes * factor) {
    check.verdict = kInstallDriveTooSmall;
    check.freeBytes = installFree.bytes;
    check.needed = bytes * factor;
  }
  return check;
}

double BytesToGb(uint64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024 * 1024); }

std::wstring FreeSpaceText(const std::wstring& format, double freeGb) {
  return MainWndRules::FormatWithDouble(format, freeGb);
}

std::wstring SpaceNeedText(const std::wstring& text, const std::wstring& productSize) {
  std::wstring t = text;
  size_t at = t.find(L"%s");
  if (at != std::wstring::npos) t.replace(at, 2, productSize);
  return t;
}

}  // namespace InstallPath
