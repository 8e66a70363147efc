// The install worker's text rules that need no thread, window or network:
// names and paths of the package, the installer's command lines, the figures
// sent as telemetry and the exception report's body.
#pragma once
#include <cstdint>
#include <ctime>
#include <string>

namespace InstallText {

// The product folder of the download: the label text after its last "/" up
// to the first "." that follows; softwareName when there is no such "." or
// the part is not a safe name (FuntionImpl/SafeName); empty when neither is.
// The window's download folder uses it too.
std::wstring ProductFolderName(const std::wstring& extraDownloadLabel, const std::wstring& softwareName);
// stem + "_" + version + ".exe"/".apk": the stem is the label text after its
// last "/" and before its last "."; ".exe" when the label ends with it.
// Empty when the version (which may be empty) or the stem is not a safe
// name.
std::wstring PackageFileName(const std::wstring& extraDownloadLabel, const std::wstring& version);
bool EndsWith(const std::wstring& text, const std::wstring& tail);

// What the stale ".db" record says about the package on disk: true when its
// version is `version` and its digest (any case) one of the expected ones.
// A line without "###" never matches.
bool RecordMatches(const std::wstring& firstLine, const std::wstring& version, const std::wstring& md5,
                   const std::wstring& md5Extra);

// "DL013" digest only, "DL014" signature only, "DL015" both failed.
const char* CheckFailureCode(bool md5Matches, bool signatureVerifies);

// The download time bucket: "0s", "[1~10s]", "[11~20s]", ...
std::string DownloadTimeBucket(int64_t seconds);
// Bytes per millisecond as "%.2fMB/s"; 0 ms counts as 1.
std::string DownloadSpeedText(int64_t bytes, uint64_t milliseconds);

// "/sptrack" value: the stub's file name in quotes when it holds "_" and
// tracking is on; else "null".
std::wstring TrackingValue(bool addTracking, const std::wstring& stubPath);
// Name_Setup_YYYYMMDDhhmmss.log
std::wstring InstallLogName(const std::wstring& softwareName, const std::tm& local);
// The main installer's switches (the folder gets a backslash before its
// closing quote) and a sub-program's (without it). Both start with a blank.
std::wstring InstallerCommandLine(const std::wstring& dir, const std::wstring& lang, const std::wstring& logPath,
                                  const std::wstring& tracking);
std::wstring SubProgramCommandLine(const std::wstring& dir, const std::wstring& lang, const std::wstring& logPath,
                                   const std::wstring& tracking);

// A form value: "&", "=", "%", "+", blanks, controls and bytes above 0x7F
// (UTF-8) percent-escaped.
std::string FormEncode(const std::string& utf8);
// "pid=<id>&type=2&exception_code=<code>&other=<query>,<address>"
std::string ExceptionReportBody(int downloaderId, const std::string& code, const std::string& lastQueryUrl,
                                const std::string& currentUrl);

}  // namespace InstallText
