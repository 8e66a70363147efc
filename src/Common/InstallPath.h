// Where the window puts things: the default install folder, the download
// folder and the package and log names, the folder the user picks, and the
// space texts. Pure rules on strings and numbers, except CreateFolder, which
// asks the OS. The installation folder and the space check are the flow's
// (PreInstallChecks).
#pragma once
#include <cstdint>
#include <string>

namespace InstallPath {

// The product's own folder name, appended to folders the user picks.
extern const wchar_t kProductName[];

// The address names an installer package (".exe"), not a package the user
// opens himself.
bool IsInstallerPackage(const std::wstring& extraDownloadUrl);

// Program Files plus the product's folder.
std::wstring DefaultInstallFolder(const std::wstring& programFiles);
// Installer packages go to the temporary folder, other packages to the
// desktop, each in a subfolder named by the worker's rule
// (InstallText::ProductFolderName).
std::wstring DownloadFolder(const std::wstring& tempFolder, const std::wstring& desktopFolder,
                            const std::wstring& extraDownloadUrl, const std::wstring& softwareName);
// The package file name (the worker's, InstallText::PackageFileName) with the time stamp instead of the version and
// ".log" instead of its last four characters.
std::wstring LogFileName(const std::wstring& packageFileName, const std::wstring& timeStamp);
// Explorer's parameters that select the package in its folder.
std::wstring ExplorerSelectArgs(const std::wstring& packagePath);

// A picked folder: the product's folder is appended unless the path already
// names it.
std::wstring WithProductFolder(const std::wstring& picked);
// Creates the folder with all its parents; true when it exists afterwards.
bool CreateFolder(const std::wstring& folder);

// Free bytes in gigabytes, as the space label shows them.
double BytesToGb(uint64_t bytes);
// The language's free-space format ("Available space: %.1fGB") filled in.
std::wstring FreeSpaceText(const std::wstring& format, double freeGb);
// The language's space-needed text with the product's size in place of "%s".
std::wstring SpaceNeedText(const std::wstring& text, const std::wstring& productSize);

}  // namespace InstallPath
