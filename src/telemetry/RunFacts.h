// The facts about the run that every GA4 hit and funnel record carries.
#pragma once
#include <string>

namespace telemetry {

// What the main window supplies at the time of each record.
class IMainWindowFacts {
 public:
  virtual ~IMainWindowFacts() = default;
  virtual std::string ProductVersion() const = 0;  // Software_version, ANSI code page
  virtual std::string LanguageCode() const = 0;    // code of the current interface language
};

// Computed once when the queue is built.
struct BaseFacts {
  std::string toolsVersion;  // "%d.%d.%d.%d" of the installer's own file
  std::string fileTag;       // file name between its last "_" and its last "."
  std::string osText;        // "Windows 10 64bit"
  std::string uiLanguage;    // "English"
  std::string uiCountry;     // "United States"
};

// Set by SetUserInfo.
struct UserFacts {
  int downloaderId = 0;
  int siteId = 0;
  int languageId = 0;
  std::string product;
  std::string channelSource;  // Extra_download_url
  bool toolkit = false;
  std::wstring galogFolder;
  int pid = 0;
  const IMainWindowFacts* mainWnd = nullptr;
  int isNew = 0;
};

std::string FileTagOf(const std::string& fileName);
// os name + " 64bit" / " 32bit"
std::string OsTextOf(const std::string& osName, bool is64);
// "English_United States" -> ("English", "United States"); "Unknown" twice without "_".
void SplitUiLocale(const std::string& text, std::string& language, std::string& country);
// The facts of this process and machine.
BaseFacts ComputeBaseFacts();

}  // namespace telemetry
