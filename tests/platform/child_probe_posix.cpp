#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <thread>

#include "child_probe.h"

// The POSIX stand-in hands the whole Windows command line over as argv[1].
std::string RawCommandLine(int argc, char** argv) { return argc > 1 ? argv[1] : std::string(); }

std::string CurrentFolder() {
  char buf[PATH_MAX];
  return getcwd(buf, sizeof buf) ? buf : "";
}

void SleepFor(unsigned ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void Crash() {
  // The default action, not a sanitizer's report: the parent must see the signal.
  signal(SIGSEGV, SIG_DFL);
  raise(SIGSEGV);
  _exit(99);
}
