// System services of the POSIX stand-in: a service is a file
// <root>/services/<name> holding its state:
//   running [waitHint]         started; a stop control makes it stop_pending 2
//   stop_pending N [waitHint]  N more queries report it running, then stopped
//   stopped
//   refuse_stop [waitHint]     running, and refuses the stop control
// The file <root>/services/.manager_unavailable stands for a service manager
// that cannot be opened; a state file that cannot be read, for a status query
// that fails.
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "platform/Utf.h"
#include "platform/SystemOps.h"
#include "platform/posix/PosixSupport.h"

namespace platform {
namespace sysops {

using namespace posix;

namespace {

struct ServiceFile {
  int step = 0;            // as ServiceState::step
  std::string path;
  std::string state;
  unsigned pending = 0;    // stop_pending's count
  unsigned waitHint = 0;
};

bool ReadAll(const std::string& path, std::string& out) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  std::ostringstream ss;
  ss << f.rdbuf();
  out = ss.str();
  return true;
}

ServiceFile Open(const std::wstring& name) {
  ServiceFile s;
  std::string dir = Root() + "/services";
  struct stat st;
  if (stat((dir + "/.manager_unavailable").c_str(), &st) == 0) {
    s.step = 1;
    return s;
  }
  std::string file = Utf8FromWide(name);
  s.path = dir + "/" + file;
  if (file.empty() || file.find('/') != std::string::npos || lstat(s.path.c_str(), &st) != 0) {
    s.step = 2;
    return s;
  }
  std::string text;
  if (!ReadAll(s.path, text)) {
    s.step = 3;
    return s;
  }
  std::istringstream in(text);
  in >> s.state;
  if (s.state == "stop_pending") in >> s.pending;
  if (!(in >> s.waitHint)) s.waitHint = 0;
  bool known = s.state == "running" || s.state == "stopped" || s.state == "stop_pending" || s.state == "refuse_stop";
  if (!known) s.step = 3;
  return s;
}

bool Store(const ServiceFile& s, const std::string& state) {
  return ReplaceFile(s.path, state + (s.waitHint ? " " + std::to_string(s.waitHint) : std::string()) + "\n");
}

}  // namespace

ServiceState QueryService(const std::wstring& name) {
  ServiceFile s = Open(name);
  ServiceState r;
  r.step = s.step;
  if (s.step != 0) return r;
  r.waitHintMs = s.waitHint;
  if (s.state == "stop_pending") {
    // Each query brings the stop one step nearer.
    r.running = s.pending > 0;
    Store(s, s.pending > 1 ? "stop_pending " + std::to_string(s.pending - 1) : "stopped");
  } else {
    r.running = s.state != "stopped";
  }
  return r;
}

bool StopService(const std::wstring& name) {
  ServiceFile s = Open(name);
  if (s.step != 0 || s.state != "running") return false;
  return Store(s, "stop_pending 2");
}

}  // namespace sysops
}  // namespace platform
