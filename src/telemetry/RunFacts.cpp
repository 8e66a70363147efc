#include "telemetry/RunFacts.h"

#include "FuntionImpl/SystemInfo.h"
#include "platform/Platform.h"
#include "platform/Utf.h"

namespace telemetry {

std::string FileTagOf(const std::string& name) {
  size_t us = name.rfind('_'), dot = name.rfind('.');
  if (us == std::string::npos || dot == std::string::npos || dot < us) return {};
  return name.substr(us + 1, dot - us - 1);
}

std::string OsTextOf(const std::string& osName, bool is64) { return osName + (is64 ? " 64bit" : " 32bit"); }

void SplitUiLocale(const std::string& text, std::string& language, std::string& country) {
  size_t us = text.find('_');
  if (us == std::string::npos) {
    language = country = "Unknown";
    return;
  }
  language = text.substr(0, us);
  country = text.substr(us + 1);
}

BaseFacts ComputeBaseFacts() {
  platform::Os& os = platform::os();
  BaseFacts f;
  std::wstring exe = os.ModuleFileName();
  f.toolsVersion = FuntionImpl::GetFileVersionText(exe);
  f.fileTag = FileTagOf(platform::Utf8FromWide(platform::FileNameOf(exe)));
  // The system's width, not the process's: this x64 program is never WOW64.
  f.osText = OsTextOf(FuntionImpl::GetOsName(), os.Is64BitSystem());
  SplitUiLocale(os.UiLocaleText(), f.uiLanguage, f.uiCountry);
  return f;
}

}  // namespace telemetry
