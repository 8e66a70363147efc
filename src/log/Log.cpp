#include "log/Log.h"

#include <mutex>

INITIALIZE_EASYLOGGINGPP

namespace applog {

namespace {
std::mutex g_mutex;
std::string g_file;
}  // namespace

void ConfigureLog(const std::string& filePath) {
  el::Configurations conf;
  conf.setToDefault();
  conf.setGlobally(el::ConfigurationType::Format, "%datetime--[Thread](%thread) %msg");
  conf.setGlobally(el::ConfigurationType::Enabled, "true");
  conf.setGlobally(el::ConfigurationType::ToFile, "true");
  conf.setGlobally(el::ConfigurationType::ToStandardOutput, "true");
  conf.setGlobally(el::ConfigurationType::Filename, filePath);
  el::Loggers::reconfigureLogger("default", conf);
  std::lock_guard<std::mutex> lock(g_mutex);
  g_file = filePath;
}

std::string CurrentLogFile() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_file;
}

}  // namespace applog
