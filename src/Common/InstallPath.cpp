#include "Common/InstallPath.h"

#include "Common/MainWndRules.h"
#include "flow/InstallCommandLine.h"
#include "platform/Platform.h"

namespace InstallPath {

const wchar_t kProductName[] = L"Lumevia";

bool IsInstallerPackage(const std::wstring& url) { return InstallText::EndsWith(url, L".exe"); }

std::wstring DefaultInstallFolder(const std::wstring& programFiles) {
  return platform::JoinPath(programFiles, kProductName);
}

std::wstring DownloadFolder(const std::wstring& tempFolder, const std::wstring& desktopFolder,
                            const std::wstring& url, const std::wstring& softwareName) {
  return platform::JoinPath(IsInstallerPackage(url) ? tempFolder : desktopFolder,
                            InstallText::ProductFolderName(url, softwareName));
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

bool CreateFolder(const std::wstring& folder) {
  platform::Os& os = platform::os();
  os.CreateDirectories(folder);
  return os.IsDirectory(folder);
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
