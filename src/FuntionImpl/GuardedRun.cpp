#include "FuntionImpl/GuardedRun.h"

#include <exception>

#include "log/Log.h"

namespace FuntionImpl {

bool RunGuarded(const char* what, const std::function<void()>& work) {
  try {
    work();
    return true;
  } catch (const std::exception& e) {
    LOG(INFO) << " " << what << " stopped: " << e.what();
  } catch (...) {
    LOG(INFO) << " " << what << " stopped";
  }
  return false;
}

}  // namespace FuntionImpl
