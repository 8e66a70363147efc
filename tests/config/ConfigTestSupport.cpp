#include "ConfigTestSupport.h"

#include "log/Log.h"
#include "platform/Platform.h"

namespace configtest {

void ConfigOs::options(const std::string& ini) const {
  platform::nativeOs().WriteFile(platform::JoinPath(dir_, L"zq_downloader.cfg"), ini);
}

bool MapLabels::LabelText(const std::wstring& name, std::wstring& text) const {
  auto it = labels.find(name);
  if (it == labels.end()) return false;
  text = it->second;
  return true;
}

void UseTestQuery(CConfigure& config) {
  config.Update([](ProductConfig& r) {
    r.Language_id = 1033;
    r.Downloader_id = 642;
    r.Site_id = 525;
  });
}

LogCapture::LogCapture(const testing_support::TempDir& dir)
    : file_(dir.file(L"config.log")), after_(dir.file(L"after.log")) {
  applog::ConfigureLog(platform::nativeOs().WideToAnsi(file_));
}

LogCapture::~LogCapture() {
  applog::ConfigureLog(platform::nativeOs().WideToAnsi(after_));  // let go of the file
}

std::string LogCapture::text() const {
  el::Loggers::flushAll();
  std::string t;
  platform::nativeOs().ReadFile(file_, t);
  return t;
}

bool LogCapture::hasLineEnding(const std::string& tail) const {
  std::string t = text();
  return t.find(tail + "\n") != std::string::npos || t.find(tail + "\r\n") != std::string::npos;
}

}  // namespace configtest
