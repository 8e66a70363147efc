// The choice of the download address among the configuration's mirrors, and
// the count of too-many-requests failures (in the product's uninstall key)
// that marks the CDN as forbidden.
#pragma once
#include <string>
#include <vector>

// Mode 1: the first address that is not on a CDN host; mode 2: the first one
// that is. Empty when none qualifies (or for any other mode).
std::wstring checkRemotePath(std::vector<std::wstring> urls, int mode, const std::wstring& softwareName);
// True when the counter reads 4 or more.
bool IsForbidCDN(const std::wstring& softwareName);
// Counter + 1 (a counter below 1 becomes 1). A failed write is ignored.
void AddRequestTooMuchTimes(const std::wstring& softwareName);
// A REG_SZ value of HKLM "SoftWare\Microsoft\Windows\CurrentVersion\Uninstall\<softwareName>".
// A name that is not one plain key part (separators, "..", controls) is
// refused: nothing is read or written.
bool ReadUninstallValue(const std::wstring& softwareName, const std::wstring& name, std::wstring& value);
bool WriteUninstallValue(const std::wstring& softwareName, const std::wstring& name, const std::wstring& value);
