// Run options: "zq_downloader.cfg" beside the executable, read anew on every
// query so that editing it while the stub runs takes effect at once.
#pragma once
#include <string>

namespace FuntionImpl {

bool IsTestEnv();
bool IsReplacePackage();
bool IsAutoRun();
bool IsFullLog();
bool IsSkipLimit();

std::wstring RunOptionsPath();

}  // namespace FuntionImpl
