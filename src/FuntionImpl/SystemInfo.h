// Facts about the machine and small text rules shared by the flow and the
// telemetry. No state; every failure gives the neutral value.
#pragma once
#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace FuntionImpl {

std::string GetOsName();
bool IsWindows11();
// Windows is 64-bit. The package type and the 64-bit address fallback
// follow the system, not the width of this program.
bool Is64BitSystem();
std::string GetFileVersionText(const std::wstring& path);
double GetDisplayScale(int& width, int& height);

std::wstring GetLocalNetFrameworkVersion();
std::wstring ReadNeedNetFrameVersion(const std::wstring& dir);
// The "NetFrameworkVersion" of a NetFrameCheck.db text; empty when absent.
std::wstring ParseNetFrameCheck(const std::string& text);
bool WillShowNetFrameCheck(const std::wstring& dir);
// Compares dotted versions by their first four numbers: >0 when need is higher.
int CompareNetVersions(const std::wstring& need, const std::wstring& local);

std::string GetChinaTimeText();
std::string FormatChinaTime(int64_t unixMs);

std::wstring GetHostFromUrl(const std::wstring& url);
bool IsExeFile(const std::wstring& path);
int64_t GetFileSize64(const std::wstring& path);  // 0 when it cannot be opened
size_t ReplaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to);
std::string WideToUtf8(const std::wstring& w);
std::wstring Utf8ToWide(const std::string& s);

std::string GetTrafficType(int siteNumber);
std::string GetSiteTag(int siteNumber);
std::string GetSiteTagFor(int siteNumber, const std::string& installerFileNameLower);

int GetStorageBusType(wchar_t driveLetter);
void PickInstallDrive(std::wstring& path);
std::wstring FindFileInDir(const std::wstring& dir, const std::wstring& name);

// The maker's values, where its 32-bit programs keep them: the 32-bit view
// (HKLM\SOFTWARE\X is SOFTWARE\WOW6432Node\X on 64-bit Windows).
std::wstring ReadRegString(platform::RegRoot root, const std::wstring& subKey, const std::wstring& valueName);
bool WriteRegString(platform::RegRoot root, const std::wstring& subKey, const std::wstring& valueName,
                    const std::wstring& value);
std::wstring CutPrefix20(const std::wstring& text);

}  // namespace FuntionImpl
