// Which programs the start of the installed product launches.
#pragma once
#include <cstdint>
#include <string>

#include "CConfigure/CConfigure.h"
#include "flow/InstallState.h"

struct StartPaths {
  std::wstring mainPath;  // empty when the configuration is not loaded or nothing was found
  std::wstring subPath;   // the one sub-program of a toolkit product; empty when none
  int32_t subId = 0;      // that sub-program's id; 0 when none
};

// installDir: GetInstallDir's folder; toolkit: the product is a toolkit.
StartPaths GetStartExePaths(const ProductConfig& cfg, const InstallState& state, const std::wstring& installDir,
                            bool toolkit);
