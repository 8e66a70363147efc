// The few things of the demo installer that differ per system; one file per
// system implements them (chosen by CMake, as the toolkit's backends are).
#pragma once
#include <string>

namespace demo {

// The command line as the system handed it over: Windows' own line, or on
// POSIX the one argument that stands for it.
std::wstring RawCommandLine(int argc, char** argv);

// Keeps a copied program runnable where files carry a permission to run.
void MarkRunnable(const std::wstring& path);

// Ends the process with an access violation, without a crash dialog.
[[noreturn]] void CrashNow();

struct ProductFacts {
  std::wstring title;     // window title: the program name without ".exe"
  std::wstring language;
  std::wstring folder;
};

// The installed product's window; returns the exit code. closeAfterSeconds 0:
// stays until closed (on POSIX, where there is no window, returns at once).
int RunProductWindow(const ProductFacts& facts, unsigned closeAfterSeconds);

}  // namespace demo
