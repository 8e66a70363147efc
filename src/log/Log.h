// The log: easylogging++'s default logger. Lines before ConfigureLog() go to
// standard output only.
#pragma once
#include "easylogging++.h"

#include <string>

namespace applog {
// Line format "%datetime--[Thread](%thread) %msg", INFO level, to the file
// and to standard output.
void ConfigureLog(const std::string& filePath);
// The file configured last; empty before ConfigureLog.
std::string CurrentLogFile();
}  // namespace applog
