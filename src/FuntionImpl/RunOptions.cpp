#include "FuntionImpl/RunOptions.h"

#include "platform/Platform.h"

namespace FuntionImpl {

std::wstring RunOptionsPath() {
  return platform::DirectoryOf(platform::os().ModuleFileName()) + L"zq_downloader.cfg";
}

namespace {
bool OptionOn(const wchar_t* key) {
  platform::Os& os = platform::os();
  std::wstring path = RunOptionsPath();
  if (!os.FileExists(path)) return false;
  return os.ProfileInt(path, L"Settings", key, 0) == 1;
}
}  // namespace

bool IsTestEnv() { return OptionOn(L"TestEnv"); }
bool IsReplacePackage() { return OptionOn(L"ReplacePackage"); }
bool IsAutoRun() { return OptionOn(L"AutoRun"); }
bool IsFullLog() { return OptionOn(L"FullLog"); }
bool IsSkipLimit() { return OptionOn(L"SkipLimit"); }

}  // namespace FuntionImpl
