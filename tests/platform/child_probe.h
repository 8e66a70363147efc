// The system-facing pieces of child_probe, one file per system.
#pragma once
#include <string>

// The program's command line exactly as it was given (UTF-8).
std::string RawCommandLine(int argc, char** argv);
// The current folder (UTF-8).
std::string CurrentFolder();
void SleepFor(unsigned ms);
// Dies of an access violation, the way a broken program does.
[[noreturn]] void Crash();
