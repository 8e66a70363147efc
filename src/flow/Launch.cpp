#include "flow/Launch.h"

#include <vector>

#include "FuntionImpl/SafeName.h"
#include "FuntionImpl/SystemInfo.h"

namespace {

std::wstring TrimBlanks(const std::wstring& text) {
  size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring::npos) return {};
  size_t last = text.find_last_not_of(L' ');
  return text.substr(first, last - first + 1);
}

// The file below dir, when its name from the service is a plain name:
// "..\\x.exe" or "C:\\x.exe" would start a program outside the installation.
// Empty otherwise, which the start reports as "cannot start".
std::wstring FindInside(const std::wstring& dir, const std::wstring& fileName) {
  return FuntionImpl::IsSafeName(fileName) ? FuntionImpl::FindFileInDir(dir, fileName) : std::wstring();
}

}  // namespace

StartPaths GetStartExePaths(const ProductConfig& cfg, const InstallState& state, const std::wstring& installDir,
                            bool toolkit) {
  StartPaths paths;
  const std::wstring folder = TrimBlanks(installDir) + L"\\";
  // Only a single sub-program is started beside the product.
  const std::vector<SubProgramRecord> subs = state.subPrograms.Records();
  if (toolkit && subs.size() == 1 && cfg.StartSubProgram != 0 && subs[0].downloaded != 0) {
    if (FuntionImpl::IsSafeName(subs[0].folderName))
      paths.subPath = FindInside(folder + subs[0].folderName, subs[0].launchName);
    // The id reports a start: none for a program that is not there (refused by its check).
    if (!paths.subPath.empty()) paths.subId = subs[0].id;
  }
  if (cfg.LoadState == 2) paths.mainPath = FindInside(folder, cfg.Process_name);
  return paths;
}
