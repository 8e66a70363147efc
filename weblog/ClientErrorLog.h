// The web log's own error lines: "<exe folder>/Logs/.log", one appended line
// per message, only when the Logs folder already exists.
#pragma once
#include <string>

namespace weblog {

std::wstring ClientErrorLogPath();
void WriteClientErrorLog(const std::string& message);

}  // namespace weblog
