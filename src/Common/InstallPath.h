// Where the installer puts things: the default install folder, the download
// folder and the package, log and product folder names, the folder the user
// picks or types, the free-space check and the space texts. Pure rules on
// strings and numbers, except CreateFolder, which asks the OS.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace InstallPath {

// The product's own folder name, appended to folders the user picks.
extern const wchar_t kProductName[];

// The address names an installer package (".exe"), not a package the user
// opens himself.
bool IsInstallerPackage(const std::wstring& extraDownloadUrl);

// Program Files plus the product's folder.
std::wstring DefaultInstallFolder(const std::wstring& programFiles);
// The address's file name up to its first "."; the software name when the
// address has no such part.
std::wstring ProductFolderName(const std::wstring& extraDownloadUrl, const std::wstring& softwareName);
// Installer packages go to the temporary folder, other packages to the
// desktop, each in a subfolder named by ProductFolderName.
std::wstring DownloadFolder(const std::wstring& tempFolder, const std::wstring& desktopFolder,
                            const std::wstring& extraDownloadUrl, const std::wstring& softwareName);
// "<file name without extension>_<version>.exe" (".apk" for other packages).
std::wstring PackageFileName(const std::wstring& extraDownloadUrl, const std::wstring& softwareVersion);
// The package file name with the time stamp instead of the version and
// ".log" instead of its last four characters.
std::wstring LogFileName(const std::wstring& packageFileName, const std::wstring& timeStamp);
// Explorer's parameters that select the package in its folder.
std::wstring ExplorerSelectArgs(const std::wstring& packagePath);

// A picked folder: the product's folder is appended unless the path already
// names it.
std::wstring WithProductFolder(const std::wstring& picked);
// The installation folder from the edit box text: "\" separators, no
// trailing separator, and the install folder name appended unless the text
// already contains it.
std::wstring InstallDir(const std::wstring& editText, const std::wstring& installFolderName);
// "C:" of "C:\...", compared without regard to case by SameDrive.
std::wstring DriveOf(const std::wstring& path);
bool SameDrive(const std::wstring& a, const std::wstring& b);
// A reboot-time file operation names a path inside the folder.
bool IsPendingRenameInside(const std::vector<std::wstring>& operations, const std::wstring& folder);
// Creates the folder with all its parents; true when it exists afterwards.
bool CreateFolder(const std::wstring& folder);

// The free-space check before a download of `size` bytes.
enum SpaceVerdict : int {
  kSpaceEnough = 1,
  kTempDriveTooSmall = -1,     // the temporary folder's drive cannot take the package
  kInstallDriveTooSmall = -2,  // the installation drive cannot take two (three) times it
};
// Free bytes of a drive as the OS answered; an unanswered query counts as enough.
struct DriveFree {
  bool known = false;
  uint64_t bytes = 0;
};
struct SpaceCheck {
  SpaceVerdict verdict = kSpaceEnough;
  uint64_t freeBytes = 0;  // of the drive that was too small
  uint64_t needed = 0;     // what that drive would have needed
};
// Equal counts as too small. The installation drive needs the package twice
// (package and installed product), three times when the temporary folder
// is on it too; with checkTempDrive false the factor is always 2.
SpaceCheck CheckFreeSpace(int64_t size, bool checkTempDrive, const std::wstring& tempFolder, DriveFree tempFree,
                          const std::wstring& installDir, DriveFree installFree);

// Free bytes in gigabytes, as the space label shows them.
double BytesToGb(uint64_t bytes);
// The language's free-space format ("Available space: %.1fGB") filled in.
std::wstring FreeSpaceText(const std::wstring& format, double freeGb);
// The language's space-needed text with the product's size in place of "%s".
std::wstring SpaceNeedText(const std::wstring& text, const std::wstring& productSize);

}  // namespace InstallPath
